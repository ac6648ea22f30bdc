// The template tables of each source file, gathered by dialog_templates.cc,
// and the style combinations the tables share.
#ifndef ZRFORM_RESOURCES_DIALOG_TEMPLATES_INTERNAL_H_
#define ZRFORM_RESOURCES_DIALOG_TEMPLATES_INTERNAL_H_

#include "resources/dialog_template.h"

namespace zr::templates {

// Every edit of every template: bordered, tab stop, scrolling sideways.
inline constexpr uint32_t kEditStyle = kBorder | kAutoHorizontalScroll;
// A modal dialog with caption, system menu and a modal frame, centred.
inline constexpr uint32_t kModalDialog = kModalFrame | kCaption | kSystemMenu | kCenteredDialog;

// About box and the prompts: dialogs 103, 224, 225, 232, 233.
extern const DialogTemplate kAboutTemplate;
extern const DialogTemplate kMasterPasswordPromptTemplate;
extern const DialogTemplate kMasterPasswordSetupTemplate;
extern const DialogTemplate kRememberPasswordTemplate;
extern const DialogTemplate kSelectLoginTemplate;
// Login Manager and login record editor: dialogs 220, 231.
extern const DialogTemplate kLoginManagerTemplate;
extern const DialogTemplate kLoginRecordFormTemplate;
// Form Manager pages: dialogs 211, 213, 229.
extern const DialogTemplate kWorkPageTemplate;
extern const DialogTemplate kHomePageTemplate;
extern const DialogTemplate kCustomizePageTemplate;
// Field names editor pages: dialogs 215, 218.
extern const DialogTemplate kHomeFieldNamesTemplate;
extern const DialogTemplate kWorkFieldNamesTemplate;

}  // namespace zr::templates

#endif  // ZRFORM_RESOURCES_DIALOG_TEMPLATES_INTERNAL_H_
