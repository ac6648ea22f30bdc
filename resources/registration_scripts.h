// The registration scripts of the server (resource ids 101, 102 and 105) in the
// registrar's brace-structured script syntax, and the keys of the type library.
// %MODULE% stands for the executable's path, with its single quotes doubled.
#ifndef ZRFORM_RESOURCES_REGISTRATION_SCRIPTS_H_
#define ZRFORM_RESOURCES_REGISTRATION_SCRIPTS_H_

#include <string>

namespace zr {

inline constexpr int kIdrZRFormApp = 101;    // the application id
inline constexpr int kIdrZRBarHelper = 102;  // the ZRBarHelper class
inline constexpr int kIdrHistory = 105;      // the History class

// The text of registration script id, or nullptr when there is none.
const std::string* RegistrationScript(int id);

// The keys that registering the type library writes under TypeLib\{type
// library id}\1.0, with %INTERFACES% for the folder of the installed interface
// descriptions (single quotes doubled). Not a resource: the type-library step
// of registration applies it.
const std::string& TypeLibraryScript();

}  // namespace zr

#endif  // ZRFORM_RESOURCES_REGISTRATION_SCRIPTS_H_
