#include "core/AppResources.h"

#include "host/bundle/BundleLocation.h"
#include "host/files/FileTable.h"
#include "host/resources/ResourceManager.h"
#include "support/ResFile.h"
#include "support/StringResources.h"

#include <span>

namespace orvane {

namespace {

// Fetches one resource from the application's file and hands its bytes to `read`.
template <typename Read>
OSErr ReadAppResource(const GlueRec* glue, ResType type, int16_t id, StringPtr out, Read read) {
    if (!out)
        return paramErr;
    out[0] = 0;
    if (!glue)
        return paramErr;
    MyOpenResFileClass file;
    file.SetResFile(glue->appResFile);
    Handle resource = file.GetTheResource(type, id);
    if (file.lastError != noErr)
        return file.lastError;
    if (!resource)
        return resNotFound;
    const OSErr err =
        read(std::span<const uint8_t>(HandleData(resource), GetHandleSize(resource)), out);
    if (err == noErr && out[0] == 0)
        return resNotFound;
    return err;
}

} // namespace

OSErr OpenApplicationResourceFile(int16_t* refNum) {
    if (!refNum)
        return paramErr;
    const int16_t ref = OpenResFileAtPath(ApplicationResourceFilePath(), fsRdPerm);
    const OSErr err = ResError();
    if (ref <= 0 || err != noErr) {
        *refNum = 0;
        return err != noErr ? err : static_cast<OSErr>(openErr);
    }
    *refNum = ref;
    return noErr;
}

OSErr GetAppString(const GlueRec* glue, int16_t id, StringPtr out) {
    return ReadAppResource(glue, kStringResType, id, out,
                           [](std::span<const uint8_t> data, StringPtr text) {
                               return StringFromResourceData(data, text);
                           });
}

OSErr GetAppIndString(const GlueRec* glue, int16_t listID, int16_t index, StringPtr out) {
    return ReadAppResource(glue, kStringListResType, listID, out,
                           [index](std::span<const uint8_t> data, StringPtr text) {
                               return IndStringFromResourceData(data, index, text);
                           });
}

} // namespace orvane
