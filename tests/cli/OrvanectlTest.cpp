// orvanectl end to end: the built program run in a temporary copy of the sample system
// root with a home of its own, checked by its exit status, its output, its --json output
// read back, and the bytes it leaves in the preferences, the PPD and their sidecars.
#include "app/AdjustHalftone.h"
#include "app/SettingsLists.h"
#include "app/Startup.h"
#include "app/StoreFixture.h"
#include "base/Status.h"
#include "cli/CliMessages.h"
#include "cli/CliProcess.h"
#include "cli/MiniJson.h"
#include "core/Alerts.h"
#include "core/Questions.h"
#include "core/UiText.h"
#include "host/alerts/AlertHost.h"
#include "host/files/HostPaths.h"
#include "host/resources/AppleDouble.h"
#include "host/resources/ByteCompare.h"
#include "host/resources/ResourceForkFormat.h"
#include "host/resources/Sidecar.h"
#include "tone/ToneRecords.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace orvane {
namespace {

using testing::CliResult;
using testing::JsonReader;
using testing::JsonValue;
using testing::ReadWholeFile;
using testing::SnapshotFiles;

namespace fs = std::filesystem;

constexpr const char* kColorPPD = "Quillmark_ColorPage_5.ppd"; // ISO Latin-1, localised
constexpr const char* kUtf8PPD = "Quillmark_ColorPage_3.ppd";  // UTF-8
constexpr const char* kMonoPPD = "Quillmark_MonoPage_2.ppd";   // not a colour printer
constexpr const char* kPrefsName = "Orvane Preferences";

// The curves the tests give, and their levels in hundredths as the records must hold them.
constexpr const char* kLinearSpec = "levels:0,,,,,,50,,,,,,100";
constexpr const char* kVividCyanSpec = "levels:0,,,25,,,60,,,,,,100";
constexpr int32_t N = kNoPoint;
constexpr int32_t kLinearLevels[13] = {0, N, N, N, N, N, 5000, N, N, N, N, N, 10000};
constexpr int32_t kVividCyanLevels[13] = {0, N, N, 2500, N, N, 6000, N, N, N, N, N, 10000};
// gamma:2.2 gives the levels the curve editor shows for 2.2.
constexpr int32_t kGamma22Levels[13] = {0,    14,   63,   290,  707,  1332, 2176,
                                        3250, 4563, 6121, 7931, 8933, 10000};
constexpr int32_t kStraightLevels[13] = {0, N, N, N, N, N, N, N, N, N, N, N, 10000};

// ---------------------------------------------------------------------------------------
// Expected record bytes, written field by field in the stored (big-endian) order.

struct CurveBytes {
    const int32_t* levels;
    int32_t gamma;
};

class RecordBytes {
public:
    void U16(uint16_t v) {
        bytes_.push_back(static_cast<uint8_t>(v >> 8));
        bytes_.push_back(static_cast<uint8_t>(v));
    }
    void I32(int32_t v) {
        const auto u = static_cast<uint32_t>(v);
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes_.push_back(static_cast<uint8_t>(u >> shift));
    }
    void Zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    // One CMYKTone (260 bytes): the name as a P-string in 33 bytes (zero after the name),
    // sameCurve, two bytes of padding, then four curves of 13 levels and a gamma.
    void Setting(const std::string& name, bool sameCurve, const CurveBytes (&curves)[4]) {
        bytes_.push_back(static_cast<uint8_t>(name.size()));
        bytes_.insert(bytes_.end(), name.begin(), name.end());
        Zeros(32 - name.size());
        bytes_.push_back(sameCurve ? 1 : 0);
        Zeros(2);
        for (const CurveBytes& curve : curves) {
            for (int slot = 0; slot < 13; ++slot)
                I32(curve.levels[slot]);
            I32(curve.gamma);
        }
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    size_t size() const { return bytes_.size(); }

private:
    std::vector<uint8_t> bytes_;
};

void LinearSetting(RecordBytes& r) {
    const CurveBytes linear{kLinearLevels, kNoGamma};
    r.Setting("Linear", true, {linear, linear, linear, linear});
}

void VividSetting(RecordBytes& r) {
    r.Setting("Vivid", false,
              {{kVividCyanLevels, kNoGamma},
               {kGamma22Levels, 220},
               {kStraightLevels, kNoGamma},
               {kStraightLevels, kNoGamma}});
}

// A resource of a file's sidecar (its resource fork), or nullopt.
std::optional<std::vector<uint8_t>> SidecarResource(const std::string& filePath, ResType type,
                                                    int16_t id) {
    const std::string sidecar = ReadWholeFile(SidecarPath(filePath));
    AppleDoubleImage image;
    if (ParseAppleDouble({reinterpret_cast<const uint8_t*>(sidecar.data()), sidecar.size()},
                         image) != noErr)
        return std::nullopt;
    ResourceForkImage fork;
    if (ParseResourceFork(image.resourceFork, fork) != noErr)
        return std::nullopt;
    for (const ResourceEntry& entry : fork.entries)
        if (entry.type == type && entry.id == id)
            return entry.data;
    return std::nullopt;
}

std::vector<std::string> Names(const JsonValue& settings) {
    std::vector<std::string> names;
    for (const JsonValue& setting : settings.elements)
        names.push_back(setting["name"].text);
    return names;
}

std::vector<int32_t> Levels(const JsonValue& curve) {
    std::vector<int32_t> levels;
    for (const JsonValue& level : curve["levels"].elements)
        levels.push_back(level.IsNull() ? kNoPoint : static_cast<int32_t>(level.Integer()));
    return levels;
}

std::vector<int32_t> Expected(const int32_t (&levels)[13]) {
    return std::vector<int32_t>(std::begin(levels), std::end(levels));
}

// The tables of `table` text output: name -> the numbers' text exactly as printed.
std::map<std::string, std::string> TablesOfText(const std::string& text) {
    std::map<std::string, std::string> tables;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t colon = text.find(":\n", pos);
        if (colon == std::string::npos)
            break;
        const std::string name = text.substr(pos, colon - pos);
        const size_t start = colon + 2;
        // A table is 26 lines: 25 of ten numbers, then six numbers and its own line feed.
        size_t end = start;
        for (int line = 0; line < 26 && end != std::string::npos; ++line)
            end = text.find('\n', end) + 1;
        tables[name] = text.substr(start, end - start - 1);
        pos = end;
    }
    return tables;
}

// ---------------------------------------------------------------------------------------

class OrvanectlTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orvanectl-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = fs::canonical(pattern).string();
        root_ = dir_ + "/root";
        fs::copy(std::string(ORVANE_SOURCE_DIR) + "/sample/root", root_,
                 fs::copy_options::recursive);
        for (const char* sub : {"/config", "/cache", "/home", "/scratch"})
            fs::create_directories(dir_ + sub);
        const char* bundle = std::getenv("ORVANE_BUNDLE_DIR");
        env_ = {
            {"PATH", "/usr/bin:/bin"},
            {"HOME", dir_ + "/home"},
            {"XDG_CONFIG_HOME", dir_ + "/config"},
            {"XDG_CACHE_HOME", dir_ + "/cache"},
            {"ORVANE_ROOT", root_},
            {"ORVANE_ADMIN", "user"},
            {"ORVANE_BUNDLE_DIR", bundle ? bundle : ORVANE_BUILD_DIR "/share/orvane"},
            {"LC_ALL", "C.UTF-8"},
        };
        // The messages the program must print, read from the same resources in this process.
        setenv("ORVANE_BUNDLE_DIR", env_["ORVANE_BUNDLE_DIR"].c_str(), 1);
        glue_ = NewGlueRec();
        ASSERT_EQ(OpenApplicationResFile(glue_), noErr);
    }

    void TearDown() override {
        if (glue_) {
            CloseApplicationResFile(glue_);
            DisposeGlueRec(glue_);
        }
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    CliResult Run(std::vector<std::string> args,
                  const std::map<std::string, std::string>& extraEnv = {}) {
        auto env = env_;
        for (const auto& [name, value] : extraEnv)
            env[name] = value;
        return testing::RunProgram(ORVANECTL_PATH, args, env, dir_ + "/scratch");
    }

    // Runs a command that must succeed.
    CliResult Ok(std::vector<std::string> args) {
        CliResult result = Run(args);
        EXPECT_EQ(result.exitStatus, 0) << Joined(args) << "\nstderr: " << result.err;
        // Standard error may hold what the tools run for the rights print; never a message.
        EXPECT_EQ(result.err.find("orvanectl:"), std::string::npos) << Joined(args);
        return result;
    }

    JsonValue ListJson() {
        const CliResult result = Ok({"--json", "list"});
        auto parsed = JsonReader::Parse(result.out);
        EXPECT_TRUE(parsed) << result.out;
        return parsed ? *parsed : JsonValue{};
    }

    // What orvanectl prints for a failure with this code.
    std::string Message(OSErr code, std::string_view param = {}, std::string_view context = {}) {
        std::string message = CliMessageText(glue_, code, param);
        if (!context.empty())
            message = std::string(context) + ": " + message;
        return "orvanectl: " + message + "\n";
    }

    std::string PPDPath(const char* name) const { return root_ + "/etc/cups/ppd/" + name; }
    std::string SamplePPD(const char* name) const {
        return ReadWholeFile(std::string(ORVANE_SOURCE_DIR) + "/sample/root/etc/cups/ppd/" + name);
    }
    std::string PrefsPath() const { return dir_ + "/config/" + kPrefsName; }

    // Everything a command could change: the system root and the preferences (the folder
    // catalogue, which may learn a folder in any run, is left out).
    std::map<std::string, std::string> DiskState() const {
        auto files = SnapshotFiles(root_);
        for (const auto& [path, bytes] : SnapshotFiles(dir_ + "/config"))
            if (path.rfind("orvane-folder-ids", 0) != 0)
                files["config/" + path] = bytes;
        return files;
    }

    // Linear and Vivid registered, the colour PPD chosen, Linear in it.
    void SetUpRegisteredAndPPD() {
        Ok({"add", "Linear", "--all", kLinearSpec});
        Ok({"add", "Vivid", "--cyan", kVividCyanSpec, "--magenta", "gamma:2.2"});
        Ok({"choose", kColorPPD});
        Ok({"to-ppd", "Linear"});
    }

    static std::string Joined(const std::vector<std::string>& args) {
        std::string text = "orvanectl";
        for (const std::string& a : args)
            text += " " + a;
        return text;
    }

    std::string dir_;
    std::string root_;
    std::map<std::string, std::string> env_;
    GlueRec* glue_ = nullptr;
};

TEST_F(OrvanectlTest, FirstRunListsNothingAndCreatesThePreferences) {
    const CliResult text = Ok({"list"});
    EXPECT_EQ(text.out, "System level: 1\n"
                        "\n"
                        "Registered settings (0 of 20): none\n"
                        "\n"
                        "Chosen PPD: none\n");

    const JsonValue list = ListJson();
    EXPECT_EQ(list["osLevel"].Integer(), 1);
    EXPECT_TRUE(list.Has("ppd"));
    EXPECT_TRUE(list["ppd"].IsNull());
    EXPECT_EQ(list["registered"].kind, JsonValue::Kind::array);
    EXPECT_TRUE(list["registered"].elements.empty());
    EXPECT_TRUE(list["ppdSettings"].elements.empty());

    // The preferences file: type 'pref', creator 'Hvtk', 'Tone' 128 of 5320 zero bytes.
    AppleDoubleImage image;
    const std::string sidecar = ReadWholeFile(SidecarPath(PrefsPath()));
    ASSERT_EQ(
        ParseAppleDouble({reinterpret_cast<const uint8_t*>(sidecar.data()), sidecar.size()}, image),
        noErr);
    EXPECT_EQ(AppleDoubleFileType(image), MakeFourCC("pref"));
    EXPECT_EQ(AppleDoubleFileCreator(image), MakeFourCC("Hvtk"));
    const auto tone = SidecarResource(PrefsPath(), kToneResType, kToneResID);
    ASSERT_TRUE(tone);
    EXPECT_TRUE(test::BytesEqual(std::vector<uint8_t>(5320, 0), *tone));
}

TEST_F(OrvanectlTest, CommandsOnThePPDNeedAChosenPPD) {
    Ok({"add", "Linear", "--all", kLinearSpec});
    const auto before = DiskState();
    for (const std::vector<std::string>& args : {std::vector<std::string>{"to-ppd", "Linear"},
                                                 {"from-ppd", "Linear"},
                                                 {"delete", "Linear", "--ppd"},
                                                 {"table", "Linear", "--ppd"}}) {
        const CliResult result = Run(args);
        EXPECT_EQ(result.exitStatus, 1) << Joined(args);
        EXPECT_EQ(result.err, Message(kCliNoPPDChosenCode)) << Joined(args);
    }
    EXPECT_EQ(DiskState(), before);
}

TEST_F(OrvanectlTest, AChosenPPDThatIsGoneIsForgottenQuietly) {
    SetUpRegisteredAndPPD();
    fs::remove(PPDPath(kColorPPD));
    const CliResult list = Run({"--json", "list"});
    EXPECT_EQ(list.exitStatus, 0);
    EXPECT_EQ(list.err, "");
    const auto json = JsonReader::Parse(list.out);
    ASSERT_TRUE(json);
    EXPECT_TRUE((*json)["ppd"].IsNull());
    EXPECT_TRUE((*json)["ppdSettings"].elements.empty());
    EXPECT_EQ(Names((*json)["registered"]), (std::vector<std::string>{"Linear", "Vivid"}));
}

TEST_F(OrvanectlTest, AChosenPPDThatIsNoLongerSupportedIsReportedAndAnotherCanBeChosen) {
    SetUpRegisteredAndPPD();
    fs::copy_file(PPDPath(kMonoPPD), PPDPath(kColorPPD), fs::copy_options::overwrite_existing);
    const CliResult list = Run({"list"});
    EXPECT_EQ(list.exitStatus, 0);
    EXPECT_EQ(list.err, Message(kNotSupportedPPDCode));
    EXPECT_NE(list.out.find("Chosen PPD: none\n"), std::string::npos) << list.out;

    const CliResult chosen = Run({"choose", kUtf8PPD});
    EXPECT_EQ(chosen.exitStatus, 0) << chosen.err;
    EXPECT_EQ(ListJson()["ppd"]["name"].text, kUtf8PPD);
}

TEST_F(OrvanectlTest, SystemLevelComesFromTheOptionOrTheEnvironment) {
    EXPECT_EQ(ListJson()["osLevel"].Integer(), 1);
    EXPECT_EQ(JsonReader::Parse(Ok({"--os-level", "0", "--json", "list"}).out)
                  ->
                  operator[]("osLevel")
                  .Integer(),
              0);
    const CliResult fromEnv = Run({"--json", "list"}, {{"ORVANE_OS_LEVEL", "2"}});
    EXPECT_EQ(JsonReader::Parse(fromEnv.out)->operator[]("osLevel").Integer(), 2);
    // The option wins over the environment.
    const CliResult both = Run({"--os-level=0", "--json", "list"}, {{"ORVANE_OS_LEVEL", "2"}});
    EXPECT_EQ(JsonReader::Parse(both.out)->operator[]("osLevel").Integer(), 0);

    const CliResult bad = Run({"list"}, {{"ORVANE_OS_LEVEL", "7"}});
    EXPECT_EQ(bad.exitStatus, 1);
    EXPECT_EQ(bad.err, Message(kCliBadSystemLevelCode));
    EXPECT_EQ(bad.out, "");
}

TEST_F(OrvanectlTest, AddWritesTheRegisteredSettingsInNameOrder) {
    EXPECT_EQ(Ok({"add", "Vivid", "--cyan", kVividCyanSpec, "--magenta", "gamma:2.2"}).out,
              "Added \"Vivid\" to the registered settings.\n");
    Ok({"add", "Linear", "--all", kLinearSpec});

    // 'Tone' 128 as stored: big-endian, sorted, the unused slots and the PPD location zero.
    RecordBytes expected;
    expected.U16(0);    // reserved
    expected.U16(2);    // count
    expected.Zeros(40); // reserved[20]
    LinearSetting(expected);
    VividSetting(expected);
    expected.Zeros(18 * 260); // the free slots
    expected.Zeros(70);       // no PPD chosen: volume, folder ID, name
    expected.Zeros(6);        // reserved
    ASSERT_EQ(expected.size(), sizeof(ToneRes4Rec));
    const auto stored = SidecarResource(PrefsPath(), kToneResType, kToneResID);
    ASSERT_TRUE(stored);
    EXPECT_TRUE(test::BytesEqual(expected.bytes(), *stored));

    // The same read back as JSON.
    const JsonValue list = ListJson();
    ASSERT_EQ(Names(list["registered"]), (std::vector<std::string>{"Linear", "Vivid"}));
    const JsonValue& linear = list["registered"][0];
    EXPECT_TRUE(linear["sameCurve"].boolean);
    for (const char* ink : {"cyan", "magenta", "yellow", "black"}) {
        EXPECT_EQ(Levels(linear["curves"][ink]), Expected(kLinearLevels)) << ink;
        EXPECT_TRUE(linear["curves"][ink]["gamma"].IsNull()) << ink;
    }
    const JsonValue& vivid = list["registered"][1];
    EXPECT_FALSE(vivid["sameCurve"].boolean);
    EXPECT_EQ(Levels(vivid["curves"]["cyan"]), Expected(kVividCyanLevels));
    EXPECT_EQ(Levels(vivid["curves"]["magenta"]), Expected(kGamma22Levels));
    EXPECT_EQ(vivid["curves"]["magenta"]["gamma"].Integer(), 220);
    EXPECT_EQ(Levels(vivid["curves"]["yellow"]), Expected(kStraightLevels));
    EXPECT_EQ(Levels(vivid["curves"]["black"]), Expected(kStraightLevels));

    // And as text, in the form add takes.
    const std::string text = Ok({"list"}).out;
    EXPECT_NE(text.find("Registered settings (2 of 20):\n"
                        "  Linear  (one curve for all inks)\n"
                        "    all       levels:0,,,,,,50,,,,,,100\n"
                        "  Vivid\n"
                        "    cyan      levels:0,,,25,,,60,,,,,,100\n"
                        "    magenta   levels:0,0.14,0.63,2.9,7.07,13.32,21.76,32.5,45.63,61.21,"
                        "79.31,89.33,100  gamma:2.2\n"
                        "    yellow    levels:0,,,,,,,,,,,,100\n"),
              std::string::npos)
        << text;
}

TEST_F(OrvanectlTest, NamesSortByUnsignedBytesOfTheApplicationEncoding) {
    // "Ärger" is 0x80 first in the application's encoding: after every ASCII name.
    for (const char* name : {"Gamma", "\xC3\x84rger", "Alpha", "alpha", "Beta", "Al"})
        Ok({"add", name, "--all", kLinearSpec});
    EXPECT_EQ(Names(ListJson()["registered"]),
              (std::vector<std::string>{"Al", "Alpha", "Beta", "Gamma", "alpha", "\xC3\x84rger"}));
}

TEST_F(OrvanectlTest, ReplacingNeedsTheReplaceOption) {
    Ok({"add", "Linear", "--all", kLinearSpec});
    const auto before = DiskState();

    const CliResult declined = Run({"add", "Linear", "--all", "gamma:2.2"});
    EXPECT_EQ(declined.exitStatus, 3);
    EXPECT_EQ(declined.out, "");
    // The question the window would ask, then what the command line can do about it.
    const std::string question = QuestionText(glue_, kReplaceAlertID, "Linear");
    ASSERT_FALSE(question.empty());
    EXPECT_EQ(declined.err, "orvanectl: " + question + " " +
                                Message(kCliReplaceDeclinedCode).substr(sizeof "orvanectl: " - 1));
    EXPECT_EQ(DiskState(), before);

    EXPECT_EQ(Ok({"add", "Linear", "--all", "gamma:2.2", "--replace"}).out,
              "Replaced \"Linear\" in the registered settings.\n");
    const JsonValue list = ListJson();
    ASSERT_EQ(list["registered"].elements.size(), 1u);
    EXPECT_EQ(Levels(list["registered"][0]["curves"]["cyan"]), Expected(kGamma22Levels));
}

TEST_F(OrvanectlTest, ChoosingRecordsThePPDAtOnceAndRefusesOtherFiles) {
    // A bare name is looked for in the printer-description folder.
    EXPECT_EQ(Ok({"choose", kColorPPD}).out,
              std::string("Chose ") + kColorPPD + " as the target PPD (0 of 6 settings in it).\n");
    const JsonValue list = ListJson();
    EXPECT_EQ(list["ppd"]["path"].text, PPDPath(kColorPPD));
    EXPECT_EQ(list["ppd"]["name"].text, kColorPPD);

    // The location in 'Tone' 128: volume and folder ID in host order, then the name.
    const auto stored = SidecarResource(PrefsPath(), kToneResType, kToneResID);
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->size(), sizeof(ToneRes4Rec));
    int16_t volume = 0;
    int32_t folderID = 0;
    std::memcpy(&volume, stored->data() + offsetof(ToneRes4Rec, ppdVolume), sizeof volume);
    std::memcpy(&folderID, stored->data() + offsetof(ToneRes4Rec, ppdFolderID), sizeof folderID);
    EXPECT_EQ(volume, kHostVolumeRefNum);
    EXPECT_GT(folderID, kRootFolderID);
    const uint8_t* name = stored->data() + offsetof(ToneRes4Rec, ppdName);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(name + 1), name[0]), kColorPPD);
    // Choosing changes no list: the PPD's text is untouched.
    EXPECT_EQ(ReadWholeFile(PPDPath(kColorPPD)), SamplePPD(kColorPPD));

    // Not a colour PPD: refused with the dialog's message, the recorded choice kept.
    const auto before = DiskState();
    const CliResult mono = Run({"choose", PPDPath(kMonoPPD)});
    EXPECT_EQ(mono.exitStatus, 1);
    EXPECT_EQ(mono.err, Message(kNotSupportedPPDCode));
    EXPECT_EQ(DiskState(), before);
    EXPECT_EQ(ListJson()["ppd"]["name"].text, kColorPPD);

    // Another PPD given by its path replaces the choice.
    Ok({"choose", PPDPath(kUtf8PPD)});
    EXPECT_EQ(ListJson()["ppd"]["name"].text, kUtf8PPD);
}

TEST_F(OrvanectlTest, CopyingIntoThePPDWritesItsTablesAndRecord) {
    Ok({"add", "Vivid", "--cyan", kVividCyanSpec, "--magenta", "gamma:2.2"});
    Ok({"choose", kColorPPD});
    // Only the result reaches standard output; what the tools run for the rights print
    // (here "id" as the current user) goes to standard error.
    EXPECT_EQ(Ok({"to-ppd", "Vivid"}).out,
              std::string("Copied \"Vivid\" into the PPD's settings of ") + kColorPPD + ".\n");

    // 'VrTn' 128 beside the PPD: version 0 (the current layout), count, six slots, the
    // legacy word.
    RecordBytes expected;
    expected.U16(0);
    expected.U16(1);
    VividSetting(expected);
    expected.Zeros(5 * 260);
    expected.Zeros(4);
    ASSERT_EQ(expected.size(), sizeof(PPDTone4Rec));
    const auto record = SidecarResource(PPDPath(kColorPPD), kPPDToneResType, kPPDToneResID);
    ASSERT_TRUE(record);
    EXPECT_TRUE(test::BytesEqual(expected.bytes(), *record));

    // The PPD carries exactly the tables `table --ppd` prints, one per ink.
    const std::string ppd = ReadWholeFile(PPDPath(kColorPPD));
    const CliResult tableText = Ok({"table", "Vivid", "--ppd"});
    const auto tables = TablesOfText(tableText.out);
    ASSERT_EQ(tables.size(), 4u) << tableText.out;
    for (const char* ink : {"cyan", "magenta", "yellow", "black"}) {
        ASSERT_TRUE(tables.count(ink)) << ink;
        EXPECT_NE(ppd.find("(" + tables.at(ink)), std::string::npos) << ink;
    }
    // Outside its block the PPD's text is the sample's.
    const std::string begin = "*% Begin Orvane tone settings";
    const std::string end = "*% End Orvane tone settings";
    const size_t from = ppd.find(begin);
    const size_t to = ppd.find(end);
    ASSERT_NE(from, std::string::npos);
    ASSERT_NE(to, std::string::npos);
    const auto squeezed = [](std::string text) {
        std::string out;
        for (const char c : text)
            if (c != '\n' || out.empty() || out.back() != '\n')
                out += c;
        return out;
    };
    EXPECT_EQ(squeezed(ppd.substr(0, from) + ppd.substr(to + end.size())),
              squeezed(SamplePPD(kColorPPD)));

    // --json table gives the same numbers.
    const auto json = JsonReader::Parse(Ok({"--json", "table", "Vivid", "--ppd"}).out);
    ASSERT_TRUE(json);
    EXPECT_EQ((*json)["name"].text, "Vivid");
    ASSERT_EQ((*json)["tables"].members.size(), 4u);
    for (const auto& [ink, numbers] : (*json)["tables"].members) {
        ASSERT_EQ(numbers.elements.size(), 256u) << ink;
        std::string joined;
        for (size_t k = 0; k < 256; ++k)
            joined += numbers[k].text + (k % 10 == 9 ? "\n" : "\t");
        EXPECT_EQ(joined, tables.at(ink)) << ink;
    }
}

TEST_F(OrvanectlTest, OneCurveForAllInksIsOneTableNamedAll) {
    Ok({"add", "Linear", "--all", kLinearSpec});
    const auto tables = TablesOfText(Ok({"table", "Linear"}).out);
    ASSERT_EQ(tables.size(), 1u);
    // The transfer table runs from full ink (entry 0) to no ink: 0 first, 255 last.
    const std::string& all = tables.at("all");
    EXPECT_EQ(all.substr(0, 2), "0\t");
    EXPECT_EQ(all.substr(all.size() - 4), "255\t");
    const auto json = JsonReader::Parse(Ok({"table", "Linear", "--json"}).out);
    ASSERT_TRUE(json);
    ASSERT_EQ((*json)["tables"].members.size(), 1u);
    EXPECT_EQ((*json)["tables"].members[0].first, "all");
    EXPECT_EQ((*json)["tables"]["all"][255].text, "255");
}

TEST_F(OrvanectlTest, DeletingTheLastPPDSettingGivesBackTheSamplePPD) {
    SetUpRegisteredAndPPD();
    EXPECT_NE(ReadWholeFile(PPDPath(kColorPPD)), SamplePPD(kColorPPD));
    EXPECT_EQ(Ok({"delete", "Linear", "--ppd"}).out,
              "Deleted \"Linear\" from the PPD's settings.\n");
    EXPECT_EQ(ReadWholeFile(PPDPath(kColorPPD)), SamplePPD(kColorPPD));
    const auto record = SidecarResource(PPDPath(kColorPPD), kPPDToneResType, kPPDToneResID);
    ASSERT_TRUE(record);
    ASSERT_GE(record->size(), 4u);
    EXPECT_EQ((*record)[2], 0);
    EXPECT_EQ((*record)[3], 0); // count 0
    // The registered list is untouched.
    EXPECT_EQ(Names(ListJson()["registered"]), (std::vector<std::string>{"Linear", "Vivid"}));
}

TEST_F(OrvanectlTest, SettingsMoveBetweenTheLists) {
    SetUpRegisteredAndPPD();
    Ok({"delete", "Linear"});
    JsonValue list = ListJson();
    EXPECT_EQ(Names(list["registered"]), std::vector<std::string>{"Vivid"});
    EXPECT_EQ(Names(list["ppdSettings"]), std::vector<std::string>{"Linear"});

    EXPECT_EQ(Ok({"from-ppd", "Linear"}).out, "Copied \"Linear\" into the registered settings.\n");
    list = ListJson();
    EXPECT_EQ(Names(list["registered"]), (std::vector<std::string>{"Linear", "Vivid"}));
    EXPECT_EQ(Levels(list["registered"][0]["curves"]["black"]), Expected(kLinearLevels));

    // Copying onto a name the target list has asks first.
    const auto before = DiskState();
    const CliResult again = Run({"to-ppd", "Linear"});
    EXPECT_EQ(again.exitStatus, 3);
    EXPECT_EQ(DiskState(), before);
}

TEST_F(OrvanectlTest, DuplicateAndRenameStayInTheirList) {
    SetUpRegisteredAndPPD();
    EXPECT_EQ(Ok({"duplicate", "Vivid", "Bold"}).out,
              "Copied \"Vivid\" as \"Bold\" in the registered settings.\n");
    EXPECT_EQ(Ok({"rename", "Bold", "Soft"}).out,
              "Renamed \"Bold\" to \"Soft\" in the registered settings.\n");
    JsonValue list = ListJson();
    EXPECT_EQ(Names(list["registered"]), (std::vector<std::string>{"Linear", "Soft", "Vivid"}));
    EXPECT_EQ(Levels(list["registered"][1]["curves"]["magenta"]), Expected(kGamma22Levels));
    EXPECT_EQ(Names(list["ppdSettings"]), std::vector<std::string>{"Linear"});

    // Renaming onto another setting of the same list replaces it, when allowed.
    const auto before = DiskState();
    EXPECT_EQ(Run({"rename", "Soft", "Vivid"}).exitStatus, 3);
    EXPECT_EQ(DiskState(), before);
    Ok({"rename", "Soft", "Vivid", "--replace"});
    EXPECT_EQ(Names(ListJson()["registered"]), (std::vector<std::string>{"Linear", "Vivid"}));

    // In the PPD's list, each change rewrites the PPD's record.
    Ok({"duplicate", "Linear", "Copy", "--ppd"});
    Ok({"rename", "Linear", "Zed", "--ppd"});
    list = ListJson();
    EXPECT_EQ(Names(list["ppdSettings"]), (std::vector<std::string>{"Copy", "Zed"}));
    const auto record = SidecarResource(PPDPath(kColorPPD), kPPDToneResType, kPPDToneResID);
    ASSERT_TRUE(record);
    EXPECT_EQ((*record)[3], 2); // count
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(record->data() + 5), 4), "Copy");
    EXPECT_NE(ReadWholeFile(PPDPath(kColorPPD)).find("Zed"), std::string::npos);
}

TEST_F(OrvanectlTest, FullListsTakeNoNewNameButStillReplace) {
    Ok({"choose", kColorPPD});
    for (int i = 1; i <= kMaxPPDTones; ++i) {
        const std::string name = "S" + std::to_string(i);
        Ok({"add", name, "--all", kLinearSpec});
        Ok({"to-ppd", name});
    }
    Ok({"add", "S7", "--all", kLinearSpec});
    const auto before = DiskState();
    const CliResult full = Run({"to-ppd", "S7"});
    EXPECT_EQ(full.exitStatus, 1);
    EXPECT_EQ(full.err, Message(kListFullCode));
    EXPECT_EQ(DiskState(), before);

    // A setting of a name the full list has replaces it: no slot is needed.
    Ok({"add", "S1", "--all", "gamma:2.2", "--replace"});
    Ok({"to-ppd", "S1", "--replace"});
    const JsonValue list = ListJson();
    ASSERT_EQ(list["ppdSettings"].elements.size(), 6u);
    EXPECT_EQ(Levels(list["ppdSettings"][0]["curves"]["cyan"]), Expected(kGamma22Levels));
}

TEST_F(OrvanectlTest, RefusedAdministratorRightsLeaveThePPDUnsaved) {
    SetUpRegisteredAndPPD();
    // polkit's answer when the user dismisses the password question.
    const std::string pkexec = dir_ + "/pkexec-dismissed";
    testing::WriteWholeFile(pkexec, "#!/bin/sh\nexit 126\n");
    ASSERT_EQ(chmod(pkexec.c_str(), 0755), 0);
    const auto before = DiskState();

    const CliResult refused =
        Run({"to-ppd", "Vivid"}, {{"ORVANE_ADMIN", "pkexec"}, {"ORVANE_PKEXEC", pkexec}});
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_EQ(refused.err.rfind(Message(kRightsRefusedCode), 0), 0u) << refused.err;
    EXPECT_EQ(refused.out.find("Copied"), std::string::npos);
    EXPECT_EQ(DiskState(), before);

    // A backend name nobody knows refuses too, and says why.
    const CliResult unknown = Run({"to-ppd", "Vivid"}, {{"ORVANE_ADMIN", "sudo"}});
    EXPECT_EQ(unknown.exitStatus, 1);
    EXPECT_NE(unknown.err.find("ORVANE_ADMIN"), std::string::npos) << unknown.err;
    EXPECT_EQ(DiskState(), before);

    // Granted (the option overrides the environment), the same command writes.
    const CliResult granted = Run({"--admin", "user", "to-ppd", "Vivid"},
                                  {{"ORVANE_ADMIN", "pkexec"}, {"ORVANE_PKEXEC", pkexec}});
    EXPECT_EQ(granted.exitStatus, 0) << granted.err;
    EXPECT_EQ(Names(ListJson()["ppdSettings"]), (std::vector<std::string>{"Linear", "Vivid"}));
}

// A window left open while orvanectl saves: the window's next Save must not write its whole
// working record over what orvanectl wrote, nor half of it.
TEST_F(OrvanectlTest, ASaveNeverUndoesWhatAnotherProcessSaved) {
    Ok({"add", "Linear", "--all", kLinearSpec});
    Ok({"choose", kColorPPD});
    std::vector<std::unique_ptr<testing::ScopedEnvVar>> env;
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "ORVANE_ROOT", "ORVANE_ADMIN"})
        env.push_back(std::make_unique<testing::ScopedEnvVar>(name, env_[name].c_str()));
    GlueRec* window = NewGlueRec();
    ASSERT_EQ(OpenApplicationResFile(window), noErr);
    ASSERT_EQ(DoInit(window), noErr);
    MemoryListView registered, ppd;
    ASSERT_EQ(OpenAdjustHalftoneDialog(window, nullptr, registered, ppd, nullptr), noErr);
    window->startingUp = 0;

    Ok({"add", "Vivid", "--cyan", kVividCyanSpec});
    const auto before = DiskState();
    CMYKTone mine;
    SetNewCMYKTone(mine);
    ASSERT_EQ(SetCMYKToneNameUtf8(mine, "Mine"), noErr);
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(window, true, mine), noErr);
    const SaveOutcome refused = AdjustHalftoneDialogSave(window);
    EXPECT_EQ(refused.status, kChangedOnDiskCode);
    EXPECT_EQ(refused.messageParam, PrefsPath());
    EXPECT_NE(CliMessageText(glue_, refused.status, refused.messageParam).find(PrefsPath()),
              std::string::npos);
    EXPECT_EQ(DiskState(), before);
    EXPECT_TRUE(AdjustHalftoneCheckRegisteredSettingChanged(window)) << "still unsaved";
    EXPECT_EQ(Names(ListJson()["registered"]), (std::vector<std::string>{"Linear", "Vivid"}));

    // Reloaded, the window sees both and saves its own on top.
    ASSERT_EQ(DisposeAllDialogs(window), noErr);
    ASSERT_EQ(OpenAdjustHalftoneDialog(window, nullptr, registered, ppd, nullptr), noErr);
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(window, true, mine), noErr);
    EXPECT_TRUE(AdjustHalftoneDialogSave(window).ok());
    EXPECT_EQ(Names(ListJson()["registered"]),
              (std::vector<std::string>{"Linear", "Mine", "Vivid"}));
    ASSERT_EQ(DisposeAllDialogs(window), noErr);
    CloseApplicationResFile(window);
    DisposeGlueRec(window);
}

TEST_F(OrvanectlTest, NumbersUseAPointInEveryLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    std::setlocale(LC_ALL, previous.c_str());
    if (!german)
        GTEST_SKIP() << "de_DE.UTF-8 is not installed (scripts/install-deps.sh adds it)";
    env_["LC_ALL"] = "de_DE.UTF-8";
    Ok({"add", "Vivid", "--cyan", kVividCyanSpec, "--magenta", "gamma:2.2"});
    EXPECT_EQ(ListJson()["registered"][0]["curves"]["magenta"]["gamma"].Integer(), 220);
    EXPECT_NE(Ok({"list"}).out.find("levels:0,0.14,0.63,2.9,"), std::string::npos);
    EXPECT_EQ(Run({"add", "Comma", "--all", "gamma:2,2"}).exitStatus, 1);
    const std::string table = Ok({"table", "Vivid"}).out;
    EXPECT_NE(table.find("\t0.69\t"), std::string::npos) << table;
    EXPECT_EQ(table.find(','), std::string::npos);
}

TEST_F(OrvanectlTest, HelpAndVersion) {
    const CliResult help = Ok({"--help"});
    EXPECT_EQ(help.out.rfind("usage: orvanectl [--os-level N] [--json]", 0), 0u);
    EXPECT_EQ(Ok({"--version"}).out.rfind("orvanectl (Orvane) ", 0), 0u);
    const CliResult bad = Run({"frobnicate"});
    EXPECT_EQ(bad.exitStatus, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, "orvanectl: unknown command \"frobnicate\"; see orvanectl --help\n");
}

// ---------------------------------------------------------------------------------------
// Bad input: the right message, a failing exit status and nothing changed on disk.

struct BadInputCase {
    const char* label;
    std::vector<std::string> args;
    int exitStatus;
    OSErr code;          // 0: only the exit status is checked
    const char* param;   // the message's ^0
    const char* context; // the option the message is about
};

class OrvanectlBadInputTest : public OrvanectlTest,
                              public ::testing::WithParamInterface<BadInputCase> {};

TEST_P(OrvanectlBadInputTest, ChangesNothing) {
    const BadInputCase& c = GetParam();
    SetUpRegisteredAndPPD();
    const auto before = DiskState();
    const CliResult result = Run(c.args);
    EXPECT_EQ(result.exitStatus, c.exitStatus) << result.err;
    if (c.code != noErr) {
        EXPECT_EQ(result.err, Message(c.code, c.param, c.context));
    }
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(DiskState(), before);
}

const std::string k33 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456";

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, OrvanectlBadInputTest,
    ::testing::Values(
        BadInputCase{"UnknownSetting", {"delete", "Nope"}, 1, kCliUnknownRegisteredCode, "Nope", ""},
        BadInputCase{"UnknownPPDSetting", {"table", "Vivid", "--ppd"}, 1, kCliUnknownPPDSettingCode, "Vivid", ""},
        BadInputCase{"UnknownToCopy", {"to-ppd", "Nope"}, 1, kCliUnknownRegisteredCode, "Nope", ""},
        BadInputCase{"NameOf33", {"add", k33, "--all", kLinearSpec}, 1, kBadToneNameCode, "", ""},
        BadInputCase{"RenameTo33", {"rename", "Vivid", k33}, 1, kBadToneNameCode, "", ""},
        BadInputCase{"DuplicateToEmpty", {"duplicate", "Vivid", ""}, 1, kBadToneNameCode, "", ""},
        BadInputCase{"UnstorableName", {"add", "\xE6\xBC\xA2", "--all", kLinearSpec}, 1, kNameNotStorableCode, "\xE6\xBC\xA2", ""},
        BadInputCase{"Level101", {"add", "X", "--cyan", "levels:0,,,101,,,,,,,,,100"}, 1, kPointOutOfRangeCode, "", "--cyan"},
        BadInputCase{"EndLevel101", {"add", "X", "--all", "levels:0,,,,,,,,,,,,101"}, 1, kEndPointsCode, "", "--all"},
        BadInputCase{"Gamma0", {"add", "X", "--black", "gamma:0"}, 1, kBadGammaCode, "", "--black"},
        BadInputCase{"Missing0", {"add", "X", "--all", "levels:,,,,,,50,,,,,,100"}, 1, kEndPointsCode, "", "--all"},
        BadInputCase{"MalformedLevel", {"add", "X", "--all", "levels:0,,,2x,,,,,,,,,100"}, 1, kPointOutOfRangeCode, "", "--all"},
        BadInputCase{"TwelveLevels", {"add", "X", "--all", "levels:0,,,,,,,,,,,100"}, 1, kCliLevelCountCode, "", "--all"},
        BadInputCase{"NotACurve", {"add", "X", "--all", "gamma=2"}, 1, kCliBadCurveFormCode, "", "--all"},
        BadInputCase{"NotAPPD", {"choose", "Quillmark_MonoPage_2.ppd"}, 1, kNotSupportedPPDCode, "", ""},
        BadInputCase{"MissingFile", {"choose", "/nonexistent/printer.ppd"}, 1, fnfErr, "", ""},
        BadInputCase{"ReplaceDeclined", {"add", "Vivid", "--all", kLinearSpec}, 3, noErr, "", ""},
        BadInputCase{"Usage", {"add", "X"}, 2, noErr, "", ""}),
    [](const auto& testInfo) { return std::string(testInfo.param.label); });
// clang-format on

} // namespace
} // namespace orvane
