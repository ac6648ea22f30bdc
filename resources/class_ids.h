// The fixed identifiers of the server's registration and object surface: the
// application id, the class ids, the interface ids and the type library id.
// They are published in the registration and stored by clients: never change them.
#ifndef ZRFORM_RESOURCES_CLASS_IDS_H_
#define ZRFORM_RESOURCES_CLASS_IDS_H_

#include <string_view>

namespace zr {

inline constexpr std::string_view kAppId = "{5A89B115-502E-4A3B-B059-75F7A8D20E2B}";
inline constexpr std::string_view kZRBarHelperClassId = "{E18BBDD9-2EA4-4248-A3C3-A26C2E4D7510}";
inline constexpr std::string_view kHistoryClassId = "{7C0B5C52-1E0A-4C3B-9A59-3E5A1D2B6F41}";
inline constexpr std::string_view kIZRBarHelperIid = "{562288E1-061C-45EB-8C96-16D22C290249}";
inline constexpr std::string_view kIHistoryIid = "{1D7545EF-02DA-4A81-9E93-2799B3D7AB9C}";
inline constexpr std::string_view kTypeLibId = "{E76D1AA2-953C-454E-BF48-A066B6B88E70}";

// The bus names of the two class objects, claimed in this order, and the object paths.
inline constexpr std::string_view kZRBarHelperBusName = "ZRForm.ZRBarHelper";
inline constexpr std::string_view kHistoryBusName = "ZRForm.History";
inline constexpr std::string_view kZRBarHelperClassPath = "/ZRBarHelper/ClassObject";
inline constexpr std::string_view kHistoryClassPath = "/History/ClassObject";
inline constexpr std::string_view kZRBarHelperPath = "/ZRBarHelper";
inline constexpr std::string_view kHistoryPath = "/History";

}  // namespace zr

#endif  // ZRFORM_RESOURCES_CLASS_IDS_H_
