// orvane-rez: compiles resource sources into a resource file.
//
//   orvane-rez [--encoding macroman|macjapanese] -o OUTPUT SOURCE...
//
// Every error of every source is reported as "file:line: message" on standard error, and
// then nothing is written. The output is replaced whole (written beside it, then renamed),
// so an interrupted build never leaves half a resource file.
#include "host/resources/ResourceForkFormat.h"
#include "rez/ResourceSource.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

int Usage() {
    std::cerr << "usage: orvane-rez [--encoding macroman|macjapanese] -o OUTPUT SOURCE...\n";
    return 2;
}

bool ReadFile(const std::string& path, std::string& contents) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    contents = buffer.str();
    return !in.bad();
}

bool WriteFileWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    using namespace orvane;
    std::string output;
    TextEncoding encoding = kTextEncodingMacRoman;
    std::vector<std::string> sources;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-o" && i + 1 < argc) {
            output = argv[++i];
        } else if (arg == "--encoding" && i + 1 < argc) {
            const std::string name = argv[++i];
            if (name == "macroman")
                encoding = kTextEncodingMacRoman;
            else if (name == "macjapanese")
                encoding = kTextEncodingMacJapanese;
            else
                return Usage();
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage();
        } else {
            sources.push_back(arg);
        }
    }
    if (output.empty() || sources.empty())
        return Usage();

    ResourceSourceCompiler compiler(encoding);
    bool readAll = true;
    for (const std::string& path : sources) {
        std::string text;
        if (!ReadFile(path, text)) {
            std::cerr << path << ": cannot read: " << std::strerror(errno) << "\n";
            readAll = false;
            continue;
        }
        compiler.AddSource(text, path);
    }
    for (const std::string& error : compiler.errors())
        std::cerr << error << "\n";
    if (!readAll || !compiler.errors().empty())
        return 1;

    std::vector<uint8_t> bytes;
    if (SerializeResourceFork(compiler.image(), bytes) != noErr) {
        std::cerr << output << ": the resources cannot be laid out as a resource file\n";
        return 1;
    }
    if (!WriteFileWhole(output, bytes)) {
        std::cerr << output << ": cannot write: " << std::strerror(errno) << "\n";
        return 1;
    }
    return 0;
}
