#pragma once

#include <chrono>

// Fixed values of the station's serial line.
namespace remote::serial {

inline constexpr char kDefaultSettings[] = "9600,n,8,1"; // speed, parity, data bits, stop bits
inline constexpr int kDefaultHandshaking = 0;            // comNone

inline constexpr int kFirstPortNumber = 1; // Com1
inline constexpr int kLastPortNumber = 16; // Com16

// Com n is /dev/ttyS<n-1> unless REMOTE_COM<n> names another device.
inline constexpr char kDevicePrefix[] = "/dev/ttyS";
inline constexpr char kDeviceVariablePrefix[] = "REMOTE_COM";

inline constexpr int comEvReceive = 2; // CommEvent value: bytes have arrived

// How often a device that vanished while open is looked for again.
inline constexpr std::chrono::milliseconds kReconnectInterval{1000}; // milliseconds

} // namespace remote::serial
