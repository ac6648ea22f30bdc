// The index of every dialog template, in id order.
#include <array>

#include "resources/dialog_templates_internal.h"

namespace zr {
namespace {

using namespace templates;

const std::array<const DialogTemplate*, 12> kAllTemplates = {
    &kAboutTemplate,                 // 103
    &kWorkPageTemplate,              // 211
    &kHomePageTemplate,              // 213
    &kHomeFieldNamesTemplate,        // 215
    &kWorkFieldNamesTemplate,        // 218
    &kLoginManagerTemplate,          // 220
    &kMasterPasswordPromptTemplate,  // 224
    &kMasterPasswordSetupTemplate,   // 225
    &kCustomizePageTemplate,         // 229
    &kLoginRecordFormTemplate,       // 231
    &kRememberPasswordTemplate,      // 232
    &kSelectLoginTemplate,           // 233
};

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
  for (const DialogTemplate* dialog : kAllTemplates) {
    if (dialog->id == id) return dialog;
  }
  return nullptr;
}

std::span<const DialogTemplate* const> AllDialogTemplates() { return kAllTemplates; }

}  // namespace zr
