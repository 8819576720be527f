// What the fuzz targets share: the one way a target can report a broken property; for the
// PPD targets, a private folder for the files they write (and for the folder catalogue, so
// that no run touches the user's own), and the application's texts from the built bundle,
// loaded once.
#pragma once

#include "core/AppResources.h"
#include "core/State.h"
#include "ppd/ToneBlock.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace orvane::fuzz {

// A fuzz target cannot report a broken property in any other way.
[[noreturn]] inline void Broken(const char* what) {
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

// The target's own folder, removed at exit; XDG_CONFIG_HOME and XDG_CACHE_HOME point into
// it. Never destroyed, so that the removal at exit can still name it.
inline const std::string& WorkFolder() {
    static const std::string* folder = [] {
        char pattern[] = "/tmp/orvane-fuzz-XXXXXX";
        if (!mkdtemp(pattern))
            Broken("no temporary folder");
        const auto* made = new std::string(pattern);
        std::atexit([] { std::filesystem::remove_all(WorkFolder()); });
        setenv("XDG_CONFIG_HOME", (*made + "/config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (*made + "/cache").c_str(), 1);
        return made;
    }();
    return *folder;
}

// A state record with the application's resource file open (in the target's own folder's
// environment, so that nothing of it reaches the user's preferences).
inline GlueRec* Glue() {
    static GlueRec* glue = [] {
        WorkFolder();
        GlueRec* made = NewGlueRec();
        if (!made || OpenApplicationResourceFile(&made->appResFile) != noErr)
            Broken("the bundle's Orvane.rsrc cannot be opened (ORVANE_BUNDLE_DIR)");
        return made;
    }();
    return glue;
}

inline const PPDTexts& Texts() {
    static const PPDTexts texts = [] {
        PPDTexts loaded;
        if (LoadPPDTexts(Glue(), loaded) != noErr)
            Broken("the PPD texts cannot be loaded from the bundle");
        return loaded;
    }();
    return texts;
}

} // namespace orvane::fuzz
