// The registration scripts, filled in once from the fixed ids in class_ids.h
// (the @NAME@ marks below) so that the registration can never disagree with
// the ids that the objects publish. %MODULE% and %INTERFACES% stay for the registrar.
#include "resources/registration_scripts.h"

#include <initializer_list>
#include <string_view>
#include <utility>

#include "resources/class_ids.h"

namespace zr {

namespace {

constexpr std::string_view kApplicationTemplate = R"(HKCR
{
	NoRemove AppID
	{
		'@APPID@' = s 'ZRForm'
		'ZRForm.EXE'
		{
			val AppID = s '@APPID@'
		}
	}
}
)";

constexpr std::string_view kClassTemplate = R"(HKCR
{
	@PROGID@.1 = s '@CLASSTEXT@'
	{
		CLSID = s '@CLSID@'
	}
	@PROGID@ = s '@CLASSTEXT@'
	{
		CLSID = s '@CLSID@'
		CurVer = s '@PROGID@.1'
	}
	NoRemove CLSID
	{
		ForceRemove @CLSID@ = s '@CLASSTEXT@'
		{
			ProgID = s '@PROGID@.1'
			VersionIndependentProgID = s '@PROGID@'
			ForceRemove 'Programmable'
			LocalServer32 = s '%MODULE%'
			val AppID = s '@APPID@'
			'TypeLib' = s '@LIBID@'
		}
	}
}
)";

constexpr std::string_view kTypeLibraryTemplate = R"(HKCR
{
	NoRemove TypeLib
	{
		@LIBID@
		{
			ForceRemove 1.0 = s 'ZRForm 1.0 Type Library'
			{
				0
				{
					dbus = s '%INTERFACES%'
				}
				FLAGS = s '0'
			}
		}
	}
}
)";

// The template with each @NAME@ mark replaced by its text.
std::string Fill(std::string_view text,
                 std::initializer_list<std::pair<std::string_view, std::string_view>> marks) {
  std::string out(text);
  for (const auto& [mark, value] : marks) {
    for (size_t pos = out.find(mark); pos != std::string::npos;
         pos = out.find(mark, pos + value.size())) {
      out.replace(pos, mark.size(), value);
    }
  }
  return out;
}

std::string ClassScript(std::string_view prog_id, std::string_view class_text,
                        std::string_view class_id) {
  return Fill(kClassTemplate, {{"@PROGID@", prog_id},
                               {"@CLASSTEXT@", class_text},
                               {"@CLSID@", class_id},
                               {"@APPID@", kAppId},
                               {"@LIBID@", kTypeLibId}});
}

}  // namespace

const std::string* RegistrationScript(int id) {
  static const std::string* const app =
      new std::string(Fill(kApplicationTemplate, {{"@APPID@", kAppId}}));
  static const std::string* const bar_helper =
      new std::string(ClassScript("ZRForm.ZRBarHelper", "ZRBarHelper Class", kZRBarHelperClassId));
  static const std::string* const history =
      new std::string(ClassScript("ZRForm.History", "History Class", kHistoryClassId));
  switch (id) {
    case kIdrZRFormApp:
      return app;
    case kIdrZRBarHelper:
      return bar_helper;
    case kIdrHistory:
      return history;
    default:
      return nullptr;
  }
}

const std::string& TypeLibraryScript() {
  static const std::string* const script =
      new std::string(Fill(kTypeLibraryTemplate, {{"@LIBID@", kTypeLibId}}));
  return *script;
}

}  // namespace zr
