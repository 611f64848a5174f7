// SPDX-License-Identifier: Apache-2.0
/*
 * Decoding of SQLite binary texts (CppSQLite3Binary): any zero-terminated
 * text either decodes or throws the wrapper's exception; what decodes
 * encodes and decodes again to the same bytes.
 */
#include "CppSQLite3.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    std::vector<unsigned char> decoded;
    try {
        CppSQLite3Binary binary;
        binary.setEncoded(reinterpret_cast<const unsigned char*>(text.c_str()));
        const unsigned char* bytes = binary.getBinary();
        int length = binary.getBinaryLength();
        if (length < 0)
            std::abort();
        decoded.assign(bytes, bytes + length);
    } catch (CppSQLite3Exception&) {
        return 0; // an invalid encoding
    }
    CppSQLite3Binary again;
    again.setBinary(decoded.data(), static_cast<int>(decoded.size()));
    std::string encoded(reinterpret_cast<const char*>(again.getEncoded()));
    CppSQLite3Binary back;
    back.setEncoded(reinterpret_cast<const unsigned char*>(encoded.c_str()));
    const unsigned char* bytes = back.getBinary();
    if (back.getBinaryLength() != static_cast<int>(decoded.size()) ||
        (!decoded.empty() && std::memcmp(bytes, decoded.data(), decoded.size()) != 0))
        std::abort();
    return 0;
}
