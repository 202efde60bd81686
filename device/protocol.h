// Constants of the sensor protocol: packet framing, packet layouts, code tables, command
// framing and the GATT identifiers of the sensor's service. Defined once, used everywhere.
#pragma once

#include <cstdint>

// Packet framing (sensor to computer).
inline constexpr uint8_t FRAME_START = 0x7B;  // "{"
inline constexpr uint8_t FRAME_ESCAPE = 0x7C; // "|": the next byte is stored XOR FRAME_XOR
inline constexpr uint8_t FRAME_END = 0x7D;    // "}"
inline constexpr uint8_t FRAME_XOR = 0x20;
// Bytes of one frame kept; the buffer holds one more for the terminating 0 and one spare.
inline constexpr int FRAME_MAX = 256;
inline constexpr int FRAME_BUFFER_SIZE = 258;

// Packet layouts: header and data packets are both exactly this long.
inline constexpr int PACKET_SIZE = 29;
inline constexpr uint16_t HEADER_MAGIC = 0x1234;
inline constexpr double BATTERY_VOLTS_PER_COUNT = 0.00352;
inline constexpr uint16_t STATUS_EVENT_MARK = 0x8000;
inline constexpr double MOTION_FULL_SCALE_COUNTS = 32768.0;

// Code tables: the codes of the header packet, the "SS" command and the condition lists.
inline constexpr int RATE_CODE_COUNT = 6;
inline constexpr int32_t RATE_TABLE_MS[RATE_CODE_COUNT] = {50, 100, 200, 500, 1000, 5000};
inline constexpr int ACC_CODE_COUNT = 4;
inline constexpr int32_t ACC_TABLE_G[ACC_CODE_COUNT] = {2, 4, 8, 16};
inline constexpr int GYRO_CODE_COUNT = 5;
inline constexpr int32_t GYRO_TABLE_DPS[GYRO_CODE_COUNT] = {125, 250, 500, 1000, 2000};
inline constexpr int AUTO_OFF_CODE_COUNT = 4;
inline constexpr int AUTO_OFF_TABLE_MIN[AUTO_OFF_CODE_COUNT] = {0, 10, 30, 60};

// Fat thickness in tenths of a millimetre, as the spinner allows it.
inline constexpr int THICK_MIN = 10;
inline constexpr int THICK_MAX = 110;
inline constexpr int THICK_DEFAULT = 30;

// Command framing (computer to sensor).
inline constexpr uint8_t COMMAND_STX = 0x02;
inline constexpr uint8_t COMMAND_ETX = 0x03;
inline constexpr char COMMAND_UPLOAD[] = "GS4";
inline constexpr char COMMAND_CANCEL[] = "GC";
inline constexpr char COMMAND_CLEAR[] = "@CLR";
inline constexpr char COMMAND_DATETIME_PREFIX[] = "RS,";
inline constexpr char COMMAND_SETUP_PREFIX[] = "SS";

// Sensors advertise this prefix followed by their serial number.
inline constexpr char SENSOR_NAME_PREFIX[] = "Vm731-";
inline constexpr int SENSOR_NAME_PREFIX_LENGTH = 6;

// GATT identifiers of the sensor (UART-over-GATT layout).
inline constexpr char SENSOR_SERVICE_UUID[] = "6E400001-B5A3-F393-E0A9-E50E24DCCA9E";
inline constexpr char SENSOR_WRITE_UUID[] = "6E400002-B5A3-F393-E0A9-E50E24DCCA9E";
inline constexpr char SENSOR_NOTIFY_UUID[] = "6E400003-B5A3-F393-E0A9-E50E24DCCA9E";

// Scan timings, ms.
inline constexpr int DISCOVERY_TIMEOUT_MS = 5000;
inline constexpr int SCAN_SAFETY_TIMER_MS = 6000;
// Longest wait for a write completion before the link is given up, ms.
inline constexpr int WRITE_WAIT_TIMEOUT_MS = 5000;
