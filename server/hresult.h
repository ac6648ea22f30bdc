// The result codes of the object methods, as 32-bit integers on the bus.
#ifndef ZRFORM_SERVER_HRESULT_H_
#define ZRFORM_SERVER_HRESULT_H_

#include <cstdint>

namespace zr {

using HResult = int32_t;

inline constexpr HResult kS_OK = 0;
inline constexpr HResult kS_FALSE = 1;
inline constexpr HResult kE_FAIL = static_cast<HResult>(0x80004005u);
inline constexpr HResult kE_POINTER = static_cast<HResult>(0x80004003u);
inline constexpr HResult kE_OUTOFMEMORY = static_cast<HResult>(0x8007000Eu);
inline constexpr HResult kCLASS_E_NOAGGREGATION = static_cast<HResult>(0x80040110u);

}  // namespace zr

#endif  // ZRFORM_SERVER_HRESULT_H_
