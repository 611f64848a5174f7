// SPDX-License-Identifier: Apache-2.0
/*
 * The profile-file functions on arbitrary file contents: reads of a section
 * and key taken from the input, then a write, which must read back exactly
 * when the names and the value are plain words.
 *
 * Input: section LF key LF value LF, then the file's contents. A file with
 * a zero byte is only read and written (its tail is never searched).
 */
#include "qxLog.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

const char* filename = "qx-fuzz-profile-trace.log"; /* the trace log is not used */

namespace
{

std::string takeLine(const uint8_t*& data, size_t& size)
{
    std::string line;
    while (size > 0 && *data != '\n' && line.size() < 64) {
        line.push_back(static_cast<char>(*data));
        data++;
        size--;
    }
    if (size > 0 && *data == '\n') {
        data++;
        size--;
    }
    return line;
}

bool plainWord(const std::string& text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'))
            return false;
    return true;
}

const std::string& profilePath()
{
    static const std::string path = "qx-fuzz-profile-" + std::to_string(getpid()) + ".ini";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string section = takeLine(data, size);
    std::string key = takeLine(data, size);
    std::string value = takeLine(data, size);
    const char* path = profilePath().c_str();
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return 0;
    if (size > 0)
        std::fwrite(data, 1, size, file);
    std::fclose(file);

    if (section.empty() || key.empty() || section.find('\0') != std::string::npos ||
        key.find('\0') != std::string::npos || value.find('\0') != std::string::npos) {
        unlink(path);
        return 0;
    }
    char text[80];
    read_profile_string(section.c_str(), key.c_str(), text, sizeof text, "none", path);
    read_profile_string(section.c_str(), key.c_str(), text, 3, nullptr, path);
    (void)read_profile_int(section.c_str(), key.c_str(), -7, path);

    /* Bytes after a zero byte are kept but never searched: no read-back then. */
    bool searchable = std::memchr(data, 0, size) == nullptr;
    int written = write_profile_string(section.c_str(), key.c_str(), value.c_str(), path);
    if (written == 1 && searchable && plainWord(section) && plainWord(key) && plainWord(value)) {
        char back[80];
        if (read_profile_string(section.c_str(), key.c_str(), back, sizeof back, nullptr, path) !=
                1 ||
            value != back)
            std::abort(); // a write that reports success must read back
    }
    unlink(path);
    return 0;
}
