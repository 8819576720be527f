// Every status the program passes around, in one place. A status is a signed 16-bit code:
// 0 success; negative codes the platform's (and a few of this host's own); positive codes
// for the program's own conditions, each of which has a message in the application's
// resources:
//
//   1001 ... 1011  the alerts' own messages        'STR#' 1001, item code - 1000
//   1012 ... 1099  the settings store and dialogs  'STR#' 1002, item code - 1011
//   3001 ... 3099  the command line's own          'STR#' 3000, item code - 3000
#pragma once

#include <cstdint>

namespace orvane {

using OSErr = int16_t;
using OSStatus = int32_t;

// Platform codes.
enum : OSErr {
    noErr = 0,
    openErr = -23,     // file not opened (or no reference came back from an open)
    dskFulErr = -34,   // disk full
    ioErr = -36,       // I/O error
    bdNamErr = -37,    // bad file name (for example longer than 63 bytes)
    eofErr = -39,      // end of file, also an empty or reversed range
    posErr = -40,      // position before the start of the file
    tmfoErr = -42,     // too many files open
    fnfErr = -43,      // file or folder not found
    wPrErr = -44,      // volume write-protected
    fLckdErr = -45,    // file locked
    fBsyErr = -47,     // file or folder busy
    dupFNErr = -48,    // name already taken (for example by a folder)
    opWrErr = -49,     // file already open for writing
    paramErr = -50,    // bad argument
    rfNumErr = -51,    // bad reference number
    permErr = -54,     // permission denied
    wrPermErr = -61,   // not open for writing
    memFullErr = -108, // out of memory
    dirNFErr = -120,   // folder not found
    userCanceledErr = -128,
    resNotFound = -192,  // resource (or a resource text) not found
    resFNotFound = -193, // resource file not found
    addResFailed = -194,
    rmvResFailed = -196,
    resAttrErr = -198,
    mapReadErr = -199, // resource map unreadable or malformed
    eventNotHandledErr = -9874,
};

// This host's own negative codes.
enum : OSErr {
    // Start-up could not tell the system level (an option or ORVANE_OS_LEVEL that is not
    // 0, 1 or 2).
    kBadSystemLevelErr = -1,
};

// A request for administrator rights that could not even be put to the user: no pkexec,
// no authentication agent, or a backend chosen that cannot grant what it promises. A
// request the user declined (or failed to authenticate) is userCanceledErr.
inline constexpr OSErr kAdminUnavailableErr = permErr;

// The program's own messages ('STR#' 1001).
enum : OSErr {
    kAlertFirstOwnCode = 1001,
    kAlertQuestionCode = 1002,   // a question (shown in alert 129)
    kNotSupportedPPDCode = 1006, // the chosen or recorded file is not a supported PPD
    kBadGammaCode = 1007,        // the gamma value is not a number from 0.01 to 99.99
    kEndPointsCode = 1008,       // the 0 % or 100 % point is missing or out of range
    kPointOutOfRangeCode = 1009, // an intermediate point is out of range
    kGammaFolderCode = 1011,     // the gamma file's folder could not be created
    kAlertLastOwnCode = 1011,
};
// The vendor folder of the gamma files was missing and could not be created, even with
// administrator rights.
inline constexpr OSErr kGammaFolderUnavailableErr = kGammaFolderCode;

// The settings store's and the dialogs' own conditions ('STR#' 1002, item code - 1011).
enum : OSErr {
    kListFullCode = 1012,          // the list a setting was to be added to is full
    kNoSelectedSettingCode = 1013, // a command or a confirmed edit needs a selected setting
    kBadToneNameCode = 1014,       // a name that is empty or longer than 32 bytes
    kNoPPDChosenCode = 1015,       // a command needs a chosen PPD and none is chosen
    kNameNotStorableCode = 1016,   // a name holds a character that names cannot be stored in
    kChangedOnDiskCode = 1017,     // another program changed the file since it was loaded
    kRightsRefusedCode = 1018,     // the PPD was not written: no administrator rights
    kRetiredStoreCode = 1019,      // no longer used (a save's journal puts old contents back)
    kNoGammaFileCode = 1020,       // system level 2: the PPD names no printer (no nickname)
    kDamagedCurveCode = 1021,      // a setting's curve has fewer than two points
    kRepairedSaveCode = 1022,      // an interrupted save was completed or undone (a note)
    kPrefsSetAsideCode = 1023,     // a damaged preferences file was kept aside (a note)
    kPPDSetAsideCode = 1024,       // the chosen PPD could not be read; saving would forget it
    kPPDGoneCode = 1025,           // the chosen PPD is gone and has been forgotten (a note)
    kNotAPlainFileCode = 1026,     // a folder, link or device stands where a file belongs
    kNotAPPDFileCode = 1027,       // a chosen file does not begin as a PPD does
    kMonochromePPDCode = 1028,     // a chosen PPD describes a printer without colour
    kFirstStoreCode = kListFullCode,
    kLastStoreCode = kMonochromePPDCode,
};
inline constexpr int16_t kStoreMessagesListID = 1002;

// The command line's own conditions ('STR#' 3000, item code - 3000). "^0" in a text stands
// for the setting name or file the message is about.
enum : OSErr {
    kCliUnknownRegisteredCode = 3001, // no registered setting of that name
    kCliUnknownPPDSettingCode = 3002, // no PPD setting of that name
    kCliNoPPDChosenCode = 3003,       // a command needs the chosen PPD and none is chosen
    kCliBadCurveFormCode = 3004,      // a curve that is neither gamma: nor levels:
    kCliLevelCountCode = 3005,        // levels: without exactly thirteen fields
    kCliBadSystemLevelCode = 3008,    // ORVANE_OS_LEVEL is not 0, 1 or 2
    kCliReplaceDeclinedCode = 3009,   // said after the replace question: nothing changed
    kCliNoResourcesCode = 3011,       // (never read from the resources: they are missing)
};
inline constexpr int16_t kCliMessagesListID = 3000;

} // namespace orvane
