// The result codes of the object methods, as 32-bit integers on the bus.
#ifndef ZRFORM_SERVER_HRESULT_H_
#define ZRFORM_SERVER_HRESULT_H_

#include <cstdint>

namespace zr {

using HResult = int32_t;

inline constexpr HResult kS_OK = 0;
inline constexpr HResult kS_FALSE = 1;
inline constexpr HResult kE_FAIL = static_cast<HResult>(0x80004005u);
inline constexpr HResult kE_NOINTERFACE = static_cast<HResult>(0x80004002u);
inline constexpr HResult kE_POINTER = static_cast<HResult>(0x80004003u);
inline constexpr HResult kE_OUTOFMEMORY = static_cast<HResult>(0x8007000Eu);
// A caller that may not have login and profile values (see client_trust.h).
inline constexpr HResult kE_ACCESSDENIED = static_cast<HResult>(0x80070005u);
inline constexpr HResult kCLASS_E_NOAGGREGATION = static_cast<HResult>(0x80040110u);

// Registration results (the exit code of "RegServer" and "UnregServer").
// An argument that cannot be used (an executable path that is not absolute).
// A data file could not be written (the change is kept in memory).
inline constexpr HResult kSTG_E_CANTSAVE = static_cast<HResult>(0x80030103u);
inline constexpr HResult kE_INVALIDARG = static_cast<HResult>(0x80070057u);
// A registration script that does not parse; none of it was applied.
inline constexpr HResult kDISP_E_EXCEPTION = static_cast<HResult>(0x80020009u);
// The class-registration hive could not be read / written.
inline constexpr HResult kREGDB_E_READREGDB = static_cast<HResult>(0x80040150u);
inline constexpr HResult kREGDB_E_WRITEREGDB = static_cast<HResult>(0x80040151u);
// An interface description or activation file could not be written or removed.
inline constexpr HResult kTYPE_E_IOERROR = static_cast<HResult>(0x80028CA2u);

}  // namespace zr

#endif  // ZRFORM_SERVER_HRESULT_H_
