// What the printing system makes of a written PPD, asked of the real tools: the PPDs of the
// openprinting-ppds package (through its CUPS driver program), cupstestppd's findings and
// Ghostscript's rendering of a choice's code. Tools that are not installed make the tests
// skip, unless ORVANE_REQUIRE_PRINTING_TOOLS=1 (CI) turns that into a failure.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace orvane::testing {

// The absolute path of a program found through PATH, "" when it is not there.
std::string FindProgram(const std::string& name);
bool PrintingToolsRequired();

inline constexpr const char* kOpenprintingDriver = "/usr/lib/cups/driver/openprinting-ppds";
// Copies the package's PPD `name` (as listed, "Canon/cnprc650x1g.ppd") to `destination`.
::testing::AssertionResult ExtractOpenprintingPPD(const std::string& name,
                                                  const std::string& destination);

// cupstestppd -v: its exit status and every finding line (trimmed), without the PASS lines
// and the summary.
struct CupstestppdResult {
    int exitStatus = -1;
    std::vector<std::string> lines;
};
CupstestppdResult RunCupstestppd(const std::string& program, const std::string& ppdPath,
                                 const std::string& scratchFolder);

// The findings of `after` that `before` does not have: the missing translations of `option`
// for languages other than `appLanguage` (expected in a localised PPD, which the application
// can only translate into its own language), new warnings, and everything else.
struct NewFindings {
    std::vector<std::string> missingTranslations, warnings, failures;
};
NewFindings CompareFindings(const CupstestppdResult& before, const CupstestppdResult& after,
                            const std::string& option, const std::string& appLanguage);

// A choice's code as libcups sends it in a job, inside "[{" ... "} stopped cleartomark".
std::string EmittedChoice(const std::string& option, const std::string& choice,
                          const std::string& code);

// Ink levels 0 ... 255 of one rendered page per ink (C, M, Y, K) for the inputs 0 ... 255.
using InkRamp = std::array<std::array<int, 256>, 4>;
struct RampJob {
    std::string emitted;
    bool checkProcedures = true; // the default procedures pass inputs outside 0 ... 1 through
};

// Runs each job's choice in Ghostscript (a CMYK device) on a page of its own, checks that
// the code raised no error and, where asked, that each installed transfer procedure is
// bound and leaves one number in 0 ... 1, then paints a CMYK ramp of 256 steps per ink.
::testing::AssertionResult RenderRamps(const std::string& gs, const std::vector<RampJob>& jobs,
                                       const std::string& scratchFolder,
                                       std::vector<InkRamp>& pages);

} // namespace orvane::testing
