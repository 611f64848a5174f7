/*
 * Whole-file helpers shared by the tests (header-only). Files are read and
 * written as raw octets, so CR LF, zero and 0xFF bytes pass unchanged.
 */
#ifndef QX_TEST_FILE_HELPERS_H
#define QX_TEST_FILE_HELPERS_H

#include <fstream>
#include <sstream>
#include <string>

namespace qxtest
{

/* Replaces the file's contents with text. */
inline void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

/* The file's contents; empty when it cannot be read. */
inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace qxtest

#endif
