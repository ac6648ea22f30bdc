// zrui-gallery OUTDIR: renders every window of the system offscreen, one PNG
// per window, filled with realistic sample data, for review without a display.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/code_page.h"
#include "resources/string_table.h"
#include "store/custom_field_list.h"
#include "store/form_profile.h"
#include "store/login_store.h"
#include "ui/about_dialog.h"
#include "ui/field_names_sheet.h"
#include "ui/form_manager_sheet.h"
#include "ui/login_list_view.h"
#include "ui/login_manager_dialog.h"
#include "ui/login_record_form.h"
#include "ui/master_password_dialogs.h"
#include "ui/message_box.h"
#include "ui/remember_password_dialog.h"
#include "ui/select_login_dialog.h"

namespace zr {
namespace {

// The output folder and how a picture is taken.
class Gallery {
 public:
  explicit Gallery(const QString& folder) : folder_(folder) {}

  // Shows window (so that it is laid out and polished) and saves it as
  // NAME.png.
  void Save(QWidget* window, const QString& name) {
    window->show();
    QApplication::processEvents();
    Write(window, name);
    window->hide();
  }

  // For windows shown with exec() inside a call: once the next modal window
  // is up, saves it as NAME.png and closes it as Cancel would.
  void SaveNextModal(const QString& name) {
    auto tries = std::make_shared<int>(2000);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [this, name, tries, weak = std::weak_ptr<std::function<void()>>(poll)] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal && modal->isVisible()) {
        Write(modal, name);
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        return;
      }
      if (--*tries == 0) {
        std::fprintf(stderr, "zrui-gallery: %s never appeared\n", qPrintable(name));
        ++failures_;
        return;
      }
      if (auto again = weak.lock()) QTimer::singleShot(5, *again);
    };
    pending_.push_back(poll);
    QTimer::singleShot(0, *poll);
  }

  int failures() const { return failures_; }

 private:
  void Write(QWidget* window, const QString& name) {
    const QString path = folder_.filePath(name + ".png");
    if (window->grab().save(path)) {
      std::printf("%s\n", qPrintable(path));
    } else {
      std::fprintf(stderr, "zrui-gallery: cannot write %s\n", qPrintable(path));
      ++failures_;
    }
  }

  QDir folder_;
  int failures_ = 0;
  std::vector<std::shared_ptr<std::function<void()>>> pending_;
};

// A store of a few logins, as a user might have after some weeks.
void FillSampleStore(LoginStore& store) {
  struct Sample {
    const char* description;
    const char* site;
    const char* login;
    const char* password;
    bool fill_automatically;
    bool require_master_password;
  };
  const Sample samples[] = {
      {"Web mail", "mail.example.com", "jane.doe", "s3cret-Mail", true, false},
      {"Online bank", "bank.example.org", "jdoe1984", "B4nk!ng", false, true},
      {"Photo sharing", "photos.example.net", "janedoe", "sunset42", true, false},
      {"Forum", "forum.example.com", "", "guestpass", false, false},
  };
  for (const Sample& sample : samples) {
    auto record = std::make_unique<LoginRecord>();
    record->set_description(sample.description);
    record->set_site(sample.site);
    if (*sample.login) record->AddField("username", sample.login, "text");
    record->AddField("password", sample.password, "password");
    record->set_fill_automatically(sample.fill_automatically ? 1 : 0);
    record->set_require_master_password(sample.require_master_password ? 1 : 0);
    store.AddOrMerge(std::move(record));
  }
}

void RenderAboutBox(Gallery& gallery) {
  AboutDialog about;
  gallery.Save(&about, "about_103");
}

void RenderMasterPasswordDialogs(Gallery& gallery) {
  MasterPasswordPrompt prompt;
  prompt.ControlAs<QLineEdit>(247)->setText("correct horse");
  gallery.Save(&prompt, "master_password_prompt_224");
  MasterPasswordSetup setup("battery staple", "battery stap");
  gallery.Save(&setup, "master_password_setup_225");
}

void RenderLoginPrompts(Gallery& gallery) {
  RememberPasswordData data;
  data.login_name = "jane.doe";
  data.password = "s3cret-Mail";
  data.description = "Auto Recorded";
  data.site = "mail.example.com";
  RememberPasswordDialog remember(data);
  gallery.Save(&remember, "remember_password_232");

  LoginStore store;
  FillSampleStore(store);
  std::vector<int> ids;
  store.ForEach([&ids](LoginRecord& record) { ids.push_back(record.id()); });
  SelectLoginDialog select(store, ids);
  gallery.Save(&select, "select_login_233");
}

void RenderMessageBoxes(Gallery& gallery) {
  gallery.SaveNextModal("message_passwords_differ");
  ShowMessageBox(nullptr, 0, LoadString(kIdsPasswordsDiffer), kErrorCaption, MessageIcon::kStop,
                 MessageButtons::kOk);
  gallery.SaveNextModal("message_no_master_password");
  ShowMessageBox(nullptr, 0, LoadString(kIdsNoMasterPassword), kWarningCaption,
                 MessageIcon::kExclamation, MessageButtons::kOk);
  gallery.SaveNextModal("message_confirm_delete");
  ShowMessageBox(nullptr, 0, LoadString(kIdsConfirmDelete), LoadString(kIdsLoginManagerCaption),
                 MessageIcon::kNone, MessageButtons::kYesNo);
}

// The Form Manager's three pages, the field names editor's two pages and the
// Customize page's two questions, over a filled-in pair of profiles.
void RenderFormManager(Gallery& gallery) {
  FormProfile home, work;
  const std::pair<ProfileField, const char*> home_values[] = {
      {ProfileField::kTitle, "Ms"},
      {ProfileField::kFirstName, "Jane"},
      {ProfileField::kLastName, "Doe"},
      {ProfileField::kAddress, "12 Orchard Lane"},
      {ProfileField::kAddress1, "Flat 3"},
      {ProfileField::kCity, "Springfield"},
      {ProfileField::kState, "Oregon"},
      {ProfileField::kCountry, "USA"},
      {ProfileField::kZip, "97477"},
      {ProfileField::kTel, "+1 541 555 0134"},
      {ProfileField::kEmail, "jane.doe@mail.example.com"},
  };
  for (const auto& [field, value] : home_values) home.Value(field) = value;
  const std::pair<ProfileField, const char*> work_values[] = {
      {ProfileField::kJobTitle, "Systems Analyst"},
      {ProfileField::kCompany, "Example Corp."},
      {ProfileField::kAddress, "400 Market Street"},
      {ProfileField::kAddress1, "Suite 1200"},
      {ProfileField::kCity, "Portland"},
      {ProfileField::kState, "Oregon"},
      {ProfileField::kCountry, "USA"},
      {ProfileField::kZip, "97204"},
      {ProfileField::kTel, "+1 503 555 0199"},
      {ProfileField::kFax, "+1 503 555 0100"},
      {ProfileField::kEmail, "jdoe@corp.example.com"},
  };
  for (const auto& [field, value] : work_values) work.Value(field) = value;
  work.List(ProfileField::kJobTitle) = "job.*;position;";
  CustomFields().SetCustomField(0, "Membership number", "member;club", "M-1017");
  CustomFields().SetCustomField(1, "Nickname", "nick;alias", "janie");
  CustomFields().SetCustomField(2, "Date of birth", "birth;dob", "1984-05-17");

  FormManagerSheet manager(home, work);
  const char* const manager_pages[] = {"form_manager_home_213", "form_manager_work_211",
                                       "form_manager_customize_229"};
  for (int page = 0; page < manager.PageCount(); ++page) {
    manager.tabs()->setCurrentIndex(page);
    gallery.Save(&manager, manager_pages[page]);
  }
  FieldNamesSheet names(home, work);
  const char* const names_pages[] = {"field_names_home_215", "field_names_work_218"};
  for (int page = 0; page < names.PageCount(); ++page) {
    names.tabs()->setCurrentIndex(page);
    gallery.Save(&names, names_pages[page]);
  }
  gallery.SaveNextModal("message_enter_description");
  ShowMessageBox(nullptr, 0, LoadString(kIdsEnterDescription), "Retry?", MessageIcon::kNone,
                 MessageButtons::kRetryCancel);
  gallery.SaveNextModal("message_remove_field");
  ShowMessageBox(nullptr, 0, LoadString(kIdsConfirmRemoveField), "sure?", MessageIcon::kNone,
                 MessageButtons::kYesNo);
}

// The Login Manager (masked, then with passwords shown, sorted and two rows
// selected), the login record editor on a record with named fields, and the
// editor's refusal of an empty field name.
void RenderLoginManager(Gallery& gallery) {
  LoginStore store;
  FillSampleStore(store);
  const char* const descriptions[] = {"User name", "Password"};
  store.ForEach([&descriptions](LoginRecord& record) {
    for (int i = 0; i < record.FieldCount(); ++i) {
      record.FieldAt(i)->description = descriptions[record.FieldCount() == 1 ? 1 : i];
    }
  });
  LoginRecord* mail = store.GetAt(0);
  mail->AddField("remember", "on", "checkbox", "login_form");
  mail->fields().back().description = "Remember me";

  LoginManagerDialog manager(store);
  gallery.Save(&manager, "login_manager_220");
  manager.ControlAs<QCheckBox>(kManagerShowPasswordCheck)->click();
  manager.list_view().SortByColumn(kLoginDescriptionColumn);
  manager.list_view().SelectRow(1);
  manager.list_view().list()->topLevelItem(3)->setSelected(true);
  gallery.Save(&manager, "login_manager_220_passwords_shown");

  LoginRecordForm form(store, mail->id());
  gallery.Save(&form, "login_record_form_231");
  gallery.SaveNextModal("message_empty_field");
  ShowMessageBox(nullptr, 0, LoadString(kIdsEmptyFieldNotAllowed), "Retry?", MessageIcon::kNone,
                 MessageButtons::kRetryCancel);
}

// Every window in the gallery: one function per group of windows. The Login
// Manager's and the Form Manager's windows are added here the same way.
using Render = void (*)(Gallery&);
const Render kWindows[] = {
    RenderAboutBox,     RenderMasterPasswordDialogs, RenderLoginPrompts,
    RenderMessageBoxes, RenderFormManager,           RenderLoginManager,
};

}  // namespace
}  // namespace zr

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zrui-gallery OUTDIR\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  zr::InitUserLocale();
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  const QString folder = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "zrui-gallery: cannot create %s\n", argv[1]);
    return 1;
  }
  zr::Gallery gallery(folder);
  for (zr::Render render : zr::kWindows) render(gallery);
  return gallery.failures() == 0 ? 0 : 1;
}
