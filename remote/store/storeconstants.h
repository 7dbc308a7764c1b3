#pragma once

// The settings file of the station: its name, key, table and columns, and how long each
// connection waits for a file another connection holds.
namespace remote::store {

inline constexpr char kSettingsFileName[] = "Kvrset.mdb";
inline constexpr char kSettingsPassword[] = "vemqaz";
inline constexpr char kSettingsTable[] = "환경설정";

inline constexpr char kColumnComPort[] = "COMPORT";   // serial port number, 1 to 16
inline constexpr char kColumnBandRate[] = "BANDRATE"; // port speed as its list text
inline constexpr char kColumnComSpeed[] = "COMSPEED"; // second speed column, never written

inline constexpr int kFirstConnectionTimeout = 1;  // seconds, the start-up connection
inline constexpr int kSharedConnectionTimeout = 5; // seconds, the loading-step connection

// The delivered file's one record.
inline constexpr int kDeliveredComPort = 1;          // Com1
inline constexpr char kDeliveredBandRate[] = "9600"; // bits per second, as text

} // namespace remote::store
