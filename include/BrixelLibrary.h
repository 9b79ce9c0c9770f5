// SPDX-License-Identifier: MIT
// BrixelLibrary: host-side control of the Brixel HDMI signal processor.
//
// Every function opens the device on demand, exchanges its frames, and closes
// the device again unless LeaveDeviceOpen() was called. Every function returns
// true when the device confirmed the operation, but for the few whose result
// says something else: LeaveDeviceOpen and DeviceClose (always true), reset3x
// and getVideoFormat (true for any record given: see each). Calls must not
// overlap.
#ifndef BRIXEL_LIBRARY_H
#define BRIXEL_LIBRARY_H

#include <stdint.h>  // not <cstdint>: the header must also parse with no C++ library at hand

#ifndef BRIXEL_API
#if defined(_WIN32)
// The DLL exports through its module-definition file, under the decorated names.
#define BRIXEL_API
#else
#define BRIXEL_API __attribute__((visibility("default")))
#endif
#endif

// ---- Records -----------------------------------------------------------------

// The video status report: twenty NUL-terminated text lines, 120 bytes each.
struct VIDEO_STATUS {
    char input[120];
    char output[120];
    char inColorSpace[120];
    char outColorSpace[120];
    char inPixelClock[120];
    char outPixelClock[120];
    char sinkEdidLimited[120];
    char sourceName[120];
    char vsIfHex1[120];
    char vsIfHex2[120];
    char aviIfHex[120];
    char hdrIfHex[120];
    char hdrInput[120];
    char spdIfHex[120];
    char audioIfHex[120];
    char inEncryption[120];
    char outEncryption[120];
    char inDeepColor[120];
    char outDeepColor[120];
    char displayName[120];
};

// The colour matrix: three rows of an offset and three coefficients.
struct SB_VALUES {
    double offset1;
    double coef11;
    double coef12;
    double coef13;
    double offset2;
    double coef21;
    double coef22;
    double coef23;
    double offset3;
    double coef31;
    double coef32;
    double coef33;
};

// ---- Setting codes -----------------------------------------------------------
// Every enumeration is int-based, so any value a caller passes is well defined
// and its low byte reaches the device unchanged.

enum BRIXEL_CMD : int {
    BRIXEL_CMD_ACTIVE_PORT = 0,
    BRIXEL_CMD_AUTO_SWITCH = 1,
    BRIXEL_CMD_SCALING = 2,
    BRIXEL_CMD_HDCP_VERSION = 3,
    BRIXEL_CMD_EDID_MODE = 5,
    BRIXEL_CMD_SW_PRIORITY = 13,
    BRIXEL_CMD_CUSTOM_EDID = 14,
    BRIXEL_CMD_CUSTOM_AVI = 15,
    BRIXEL_CMD_AUTO_FILL_CRC = 16,
    BRIXEL_CMD_CUSTOM_HDR = 17,
    BRIXEL_CMD_AVI_DISABLE = 19,
    BRIXEL_CMD_LOGO_LED = 22,
    BRIXEL_CMD_FACTORY_RESET = 25,
    BRIXEL_CMD_CSC = 40,
    BRIXEL_CMD_DEEP_COLOR = 41,
    BRIXEL_CMD_DOWN_CSC = 42,
    BRIXEL_CMD_DS_DEEP_COLOR = 43,
    BRIXEL_CMD_MATRIX_ENABLE = 45,
    BRIXEL_CMD_BT2020_FORCE = 48,
    BRIXEL_CMD_PRESET_4K30 = 49,
    BRIXEL_CMD_PRESET_4K60 = 50,
    BRIXEL_CMD_PRESET_4K30_MODE = 51,
    BRIXEL_CMD_PRESET_4K60_MODE = 52,
    BRIXEL_CMD_IGNORE_EDID = 54,
    BRIXEL_CMD_RESET = 55,
    BRIXEL_CMD_HDR_DISABLE = 56,
    BRIXEL_CMD_HTPC = 57
};

// ---- Argument values ---------------------------------------------------------
// The library passes each value's low byte to the device unchanged; the device
// gives them their meaning.

enum BRIXEL_INPORT : int { BRIXEL_INPORT_1 = 1, BRIXEL_INPORT_2 = 2, BRIXEL_INPORT_3 = 3, BRIXEL_INPORT_4 = 4 };

enum BRIXEL_FACTRESET : int {
    BRIXEL_FACTRESET_SETTINGS = 0,  // settings only
    BRIXEL_FACTRESET_ALL = 1        // settings and stored EDIDs
};

enum BRIXEL_HDCP : int {
    BRIXEL_HDCP_AUTO = 0,
    BRIXEL_HDCP_RESERVED = 1,  // refused by the library: never sent
    BRIXEL_HDCP_1_4 = 2,
    BRIXEL_HDCP_2_2 = 3
};

enum BRIXEL_COLFMT : int {
    BRIXEL_COLFMT_BYPASS = 0,
    BRIXEL_COLFMT_RGB = 1,
    BRIXEL_COLFMT_YCBCR444 = 2,
    BRIXEL_COLFMT_YCBCR422 = 3,
    BRIXEL_COLFMT_YCBCR420 = 4
};

enum BRIXEL_PRESET : int {
    BRIXEL_PRESET_RGB_8BIT = 0,
    BRIXEL_PRESET_YCBCR444_8BIT = 1,
    BRIXEL_PRESET_YCBCR422_12BIT = 2,
    BRIXEL_PRESET_YCBCR420_10BIT = 3
};

enum BRIXEL_DC : int {
    BRIXEL_DC_8BIT = 0,
    BRIXEL_DC_10BIT = 1,
    BRIXEL_DC_12BIT = 2,
    BRIXEL_DC_16BIT = 3,
    BRIXEL_DC_SAME_AS_INPUT = 4
};

enum BRIXEL_EDID : int {
    BRIXEL_EDID_AUTOMIX = 0,  // mixed from the display's EDID
    BRIXEL_EDID_CUSTOM = 1,   // the EDID installed with setCustomEdid/changeCustomEdid
    BRIXEL_EDID_SINK = 2      // the display's EDID as it is
};

enum BRIXEL_SCALE : int {
    BRIXEL_SCALE_AUTO = 0,
    BRIXEL_SCALE_BYPASS = 1,
    BRIXEL_SCALE_DOWN = 2,  // 2160p to 1080p
    BRIXEL_SCALE_UP = 3     // 1080p to 2160p
};

enum BRIXEL_BT2020 : int { BRIXEL_BT2020_OFF = 0, BRIXEL_BT2020_ON = 1, BRIXEL_BT2020_AUTO = 2 };

// The built-in EDIDs; 0, 1 and values above 25 name no entry.
enum EDIDTABLE : int {
    EDIDTABLE_2160P60_HDR_MULTI = 2,
    EDIDTABLE_2160P60_HDR_STEREO = 3,
    EDIDTABLE_2160P60_MULTI = 4,
    EDIDTABLE_2160P60_STEREO = 5,
    EDIDTABLE_2160P50_HDR_MULTI = 6,
    EDIDTABLE_2160P50_HDR_STEREO = 7,
    EDIDTABLE_2160P30_Y420_HDR_MULTI = 8,
    EDIDTABLE_2160P30_Y420_HDR_STEREO = 9,
    EDIDTABLE_2160P30_Y420_MULTI = 10,
    EDIDTABLE_2160P30_Y420_STEREO = 11,
    EDIDTABLE_2160P30_Y420_300_MULTI = 12,
    EDIDTABLE_2160P30_Y420_300_STEREO = 13,
    EDIDTABLE_2160P30_MULTI = 14,
    EDIDTABLE_2160P30_STEREO = 15,
    EDIDTABLE_2160P30_RGB_MULTI = 16,
    EDIDTABLE_2160P30_RGB_STEREO = 17,
    EDIDTABLE_2160P30_Y422_MULTI = 18,
    EDIDTABLE_2160P30_Y422_STEREO = 19,
    EDIDTABLE_1080P60_MULTI = 20,
    EDIDTABLE_1080P60_HDR_STEREO = 21,
    EDIDTABLE_1080P24_MULTI = 22,
    EDIDTABLE_1080P24_STEREO = 23,
    EDIDTABLE_1080I60_MULTI = 24,
    EDIDTABLE_1080I60_STEREO = 25
};

// ---- Device link -------------------------------------------------------------

// Keep the device open across calls, from the next call on, until DeviceClose().
BRIXEL_API bool LeaveDeviceOpen();
// Close the device if it is open and end leave-open. Always true.
BRIXEL_API bool DeviceClose();

// ---- Settings ----------------------------------------------------------------

BRIXEL_API bool setBrixelState(BRIXEL_CMD code, unsigned char value);
BRIXEL_API bool setActivePort(BRIXEL_INPORT port);
BRIXEL_API bool setAutoSwitch(bool on);
BRIXEL_API bool setScaling(BRIXEL_SCALE scaling);
BRIXEL_API bool setHdcpVersion(BRIXEL_HDCP version);  // BRIXEL_HDCP_RESERVED is refused
BRIXEL_API bool setEdidMode(BRIXEL_EDID mode);
BRIXEL_API bool setSwPriority(bool on);
BRIXEL_API bool setCustomAvi(bool on);
BRIXEL_API bool setAutoFillCrc(bool on);
BRIXEL_API bool setCustomHdr(bool on);
BRIXEL_API bool setAviDisable(bool on);
BRIXEL_API bool setLogoLed(bool on);
BRIXEL_API bool factoryReset(BRIXEL_FACTRESET kind);
BRIXEL_API bool setCsc(BRIXEL_COLFMT format);
BRIXEL_API bool setDeepColor(BRIXEL_DC depth);
BRIXEL_API bool setDownCsc(BRIXEL_COLFMT format);
BRIXEL_API bool setDsDeepColor(BRIXEL_DC depth);
BRIXEL_API bool setBt2020Force(BRIXEL_BT2020 mode);
BRIXEL_API bool setPreset4k30(bool on);
BRIXEL_API bool setPreset4k60(bool on);
BRIXEL_API bool setPreset4k30Mode(BRIXEL_PRESET mode);
BRIXEL_API bool setPreset4k60Mode(BRIXEL_PRESET mode);
BRIXEL_API bool setIgnoreEdid(bool on);
BRIXEL_API bool resetBrixel();
BRIXEL_API bool setHdrDisable(bool on);
BRIXEL_API bool setHtpc(bool on);

// ---- Readback ----------------------------------------------------------------

// Fills 60 bytes with the device's state block (zeros when the read failed).
BRIXEL_API bool getBrixelState(unsigned char* state);
// Writes "BRIXEL FW Ver: major.minor" into at least 23 bytes.
BRIXEL_API bool getFwVersion(char* version);

// ---- EDID ---------------------------------------------------------------------

// 256-byte buffers: base block and one CTA-861 extension.
BRIXEL_API bool getEdid(unsigned char* edid);
BRIXEL_API bool getSinkEdid(unsigned char* edid);
BRIXEL_API bool setCustomEdid(unsigned char* edid);
// Installs a built-in EDID (values 2 to 25) and selects it.
BRIXEL_API bool changeCustomEdid(EDIDTABLE selection);

// ---- InfoFrames -----------------------------------------------------------------

// Colon-separated hex text of a whole InfoFrame, e.g. "82:02:0D:...".
BRIXEL_API bool setAviIf(char* text);
BRIXEL_API bool setHdrIf(char* text, bool fillChecksum);

// ---- Colour matrix --------------------------------------------------------------

BRIXEL_API bool set3x(SB_VALUES* values);
BRIXEL_API bool get3x(SB_VALUES* values);
// Fills the record with the default matrix; no device is asked. True for any record given.
BRIXEL_API bool reset3x(SB_VALUES* values);
BRIXEL_API bool set3xEn(bool on);

// ---- Video status report --------------------------------------------------------

// Fills the record with the report's lines. True for any record given, with
// a device or without: whether a report came shows only in the record (with
// none, the first line holds its label alone, "Input :").
BRIXEL_API bool getVideoFormat(VIDEO_STATUS* status);

#endif
