// What the printing system makes of a written PPD, asked of the real tools (openprinting-ppds'
// driver program, cupstestppd, Ghostscript). Missing tools make the tests skip, unless
// ORVANE_REQUIRE_PRINTING_TOOLS=1 (CI) turns that into a failure.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace orvane::testing {

// "" when PATH has no such program.
std::string FindProgram(const std::string& name);
bool PrintingToolsRequired();

inline constexpr const char* kOpenprintingDriver = "/usr/lib/cups/driver/openprinting-ppds";
// Copies the package's PPD `name` (as listed, "Canon/cnprc650x1g.ppd") to `destination`.
::testing::AssertionResult ExtractOpenprintingPPD(const std::string& name,
                                                  const std::string& destination);

// cupstestppd -v: its exit status and its finding lines, trimmed, without PASS and summary.
struct CupstestppdResult {
    int exitStatus = -1;
    std::vector<std::string> lines;
};
CupstestppdResult RunCupstestppd(const std::string& program, const std::string& ppdPath,
                                 const std::string& scratchFolder);

// The findings of `after` that `before` lacks: missing translations of `option` for languages
// other than `appLanguage`, new warnings, and everything else.
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

// Each job's choice on a page of its own in Ghostscript (CMYK): no error, where asked each
// transfer procedure bound and leaving one number in 0 ... 1, then a 256-step ramp per ink.
::testing::AssertionResult RenderRamps(const std::string& gs, const std::vector<RampJob>& jobs,
                                       const std::string& scratchFolder,
                                       std::vector<InkRamp>& pages);

} // namespace orvane::testing
