#include "app/Startup.h"

#include "core/AppResources.h"
#include "host/bundle/BundleConfig.h"
#include "app/Folders.h"
#include "host/resources/ResourceManager.h"
#include "host/text/AppText.h"
#include "store/Preferences.h"
#include "support/FileHelpers.h"
#include "support/PString.h"

#include <cstdlib>
#include <cstring>

namespace orvane {

namespace {

constexpr int16_t kPrefsFileNameStringID = 129;

int gSystemLevelOption = -1;

// The file name for an application-encoded text: file names are UTF-8 on this host, and a
// name that does not fit a location is refused rather than cut.
OSErr FileNameFromAppText(ConstStringPtr appText, Str63 name) {
    std::string utf8;
    if (AppTextToUtf8(PStrView(appText), utf8) != TextConversionStatus::ok)
        return bdNamErr;
    if (utf8.empty() || !PStrFromView(name, utf8, sizeof(Str63) - 1))
        return bdNamErr;
    return noErr;
}

} // namespace

void SetSystemLevelOption(int level) {
    gSystemLevelOption = level;
}

OSErr GetSystemLevel(uint16_t* osLevel) {
    if (!osLevel)
        return paramErr;
    int level = 1;
    if (gSystemLevelOption != -1) {
        level = gSystemLevelOption;
    } else if (const char* value = std::getenv("ORVANE_OS_LEVEL"); value && *value) {
        if (std::strlen(value) != 1 || value[0] < '0' || value[0] > '2')
            return kBadSystemLevelErr;
        level = value[0] - '0';
    }
    if (level < 0 || level > 2)
        return kBadSystemLevelErr;
    *osLevel = static_cast<uint16_t>(level);
    return noErr;
}

OSErr OpenApplicationResFile(GlueRec* glue) {
    if (!glue)
        return paramErr;
    int16_t refNum = 0;
    const OSErr err = OpenApplicationResourceFile(&refNum);
    if (err != noErr)
        return err;
    glue->appResFile = refNum;
    glue->startingUp = 1;
    return noErr;
}

void CloseApplicationResFile(GlueRec* glue) {
    if (!glue || glue->appResFile == 0)
        return;
    CloseResFile(glue->appResFile);
    glue->appResFile = 0;
}

OSErr DoInit(GlueRec* glue) {
    if (!glue)
        return paramErr;
    OSErr err = GetSystemLevel(&glue->osLevel);
    if (err != noErr)
        return err;
    err = FileRefNumToFileLocation(glue->appResFile, &glue->appFileSpec);
    if (err != noErr)
        return err;
    err = FindPreferencesFolder(&glue->prefsFileSpec.vRefNum, &glue->prefsFileSpec.parID);
    if (err != noErr)
        return err;

    Str255 appName;
    err = GetAppString(glue, kPrefsFileNameStringID, appName);
    if (err != noErr)
        return err;
    if (glue->osLevel == 1 || glue->osLevel == 2) {
        // Without the bundle's name the resource's name stays.
        Str255 bundleName;
        if (getPreferencesFileName(bundleName) && bundleName[0] != 0)
            MyPStrCopy(bundleName, appName);
    }
    err = FileNameFromAppText(appName, glue->prefsFileSpec.name);
    if (err != noErr)
        return err;

    const FSSpec& prefs = glue->prefsFileSpec;
    err = FindNamedFile(prefs);
    if (err == fnfErr) {
        if ((err = MyOnlyCreateFile(prefs)) != noErr)
            return err;
        if ((err = MySetFileTypeAndCreator(prefs, kPrefsFileType, kPrefsFileCreator)) != noErr)
            return err;
        return MyCreateResFile(prefs);
    }
    if (err != noErr)
        return err;
    // A file that lost its resources (its sidecar deleted) gets an empty fork again rather
    // than keeping the program from opening its window.
    uint8_t hasFork = 0;
    err = TheFileHasResourceFork(prefs, &hasFork);
    if (err == noErr && !hasFork)
        err = MyCreateResFile(prefs);
    return err;
}

} // namespace orvane
