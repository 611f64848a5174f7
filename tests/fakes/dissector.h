// SPDX-License-Identifier: Apache-2.0
/*
 * Independent decoding of a captured IEC 60870-5-104 exchange with
 * Wireshark's dissector, for tests.
 *
 * dissect() writes the captured octets (fakes/raw_master.h Capture) as a
 * hex dump, turns it into a capture file with text2pcap (master 10.0.0.1
 * port 50000, slave 10.0.0.2 port 2404, one TCP segment per captured piece,
 * directions kept) and reads it back with
 *   tshark -r FILE -d tcp.port==2404,iec60870_104
 * once for expert items of severity error and malformed frames, once with
 * -T fields for the link and application fields of every frame.
 *
 * linkRuleViolations() checks what the dissector does not: N(S) consecutive
 * in each direction, at most k I frames of the slave unacknowledged, and no
 * I frame of the slave outside STARTDT con .. STOPDT con.
 *
 * Header-only; needs the Debian package tshark (with text2pcap) on PATH.
 */
#ifndef QX_TESTS_FAKES_DISSECTOR_H
#define QX_TESTS_FAKES_DISSECTOR_H

#include "fakes/raw_master.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace qxtest
{

/* One frame as the dissector sees it; -1 (or empty) for fields it lacks. */
struct DissectedFrame {
    int number = -1;
    bool fromMaster = false;
    char kind = '?'; /* 'I', 'S' or 'U' */
    int uFunction =
        -1; /* U frames: 1 STARTDT act, 2 con, 4 STOPDT act, 8 con, 16 TESTFR act, 32 con */
    int ns = -1;
    int nr = -1;
    int typeId = -1;
    int cause = -1;
    int negative = -1;
    int commonAddress = -1;
    int originator = -1;
    int objects = -1; /* number of objects (VSQ) */
    std::vector<long> ioas;
    std::vector<double> floats;
    std::vector<long> singlePoints; /* SIQ SPI bits */
    int commandOn = -1;             /* SCO ON/OFF */
    int commandSelect = -1;         /* SCO S/E */
    int qoi = -1;
    std::vector<long> time; /* CP56Time2a: ms, min, hour, day, month, year */
};

struct Dissection {
    std::string error;   /* why decoding could not run; empty when it ran */
    std::string badness; /* expert errors or malformed frames, as tshark lists them */
    std::vector<DissectedFrame> frames;
    bool ok() const { return error.empty(); }
};

namespace dissector_detail
{

/* Standard output of a shell command, and whether it exited with 0. */
inline bool run(const std::string& command, std::string& out)
{
    out.clear();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return false;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0)
        out.append(buffer, n);
    return ::pclose(pipe) == 0;
}

inline std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.push_back("");
    return parts;
}

/* First value of a field (base from its prefix), -1 when absent. */
inline long number(const std::string& field)
{
    if (field.empty())
        return -1;
    return std::strtol(field.c_str(), nullptr, 0);
}

inline std::vector<long> numbers(const std::string& field)
{
    std::vector<long> values;
    if (!field.empty())
        for (const std::string& v : split(field, ','))
            values.push_back(std::strtol(v.c_str(), nullptr, 0));
    return values;
}

inline std::vector<double> reals(const std::string& field)
{
    std::vector<double> values;
    if (!field.empty())
        for (const std::string& v : split(field, ','))
            values.push_back(std::strtod(v.c_str(), nullptr));
    return values;
}

/* text2pcap's hex dump: offset lines of 16 octets; I from the master, O to it. */
inline std::string hexDump(const Capture& capture)
{
    std::string dump;
    char text[24];
    for (const CapturedOctets& piece : capture) {
        for (size_t at = 0; at < piece.octets.size(); ++at) {
            if (at % 16 == 0) {
                if (at == 0)
                    dump += piece.fromMaster ? "I " : "O ";
                else
                    dump += "\n";
                std::snprintf(text, sizeof(text), "%06zx", at);
                dump += text;
            }
            std::snprintf(text, sizeof(text), " %02x", piece.octets[at]);
            dump += text;
        }
        dump += "\n";
    }
    return dump;
}

const char* const kFields[] = {"frame.number",
                               "tcp.dstport",
                               "iec60870_104.type",
                               "iec60870_104.utype",
                               "iec60870_104.tx",
                               "iec60870_104.rx",
                               "iec60870_asdu.typeid",
                               "iec60870_asdu.causetx",
                               "iec60870_asdu.nega",
                               "iec60870_asdu.addr",
                               "iec60870_asdu.oa",
                               "iec60870_asdu.numix",
                               "iec60870_asdu.ioa",
                               "iec60870_asdu.float",
                               "iec60870_asdu.siq.spi",
                               "iec60870_asdu.sco.on",
                               "iec60870_asdu.sco.se",
                               "iec60870_asdu.qoi",
                               "iec60870_asdu.cp56time.ms",
                               "iec60870_asdu.cp56time.min",
                               "iec60870_asdu.cp56time.hour",
                               "iec60870_asdu.cp56time.day",
                               "iec60870_asdu.cp56time.month",
                               "iec60870_asdu.cp56time.year"};

inline DissectedFrame parseRow(const std::vector<std::string>& f)
{
    DissectedFrame d;
    d.number = static_cast<int>(number(f[0]));
    d.fromMaster = number(f[1]) == 2404;
    long type = number(f[2]);
    d.kind = type == 0 ? 'I' : type == 1 ? 'S' : type == 3 ? 'U' : '?';
    d.uFunction = static_cast<int>(number(f[3]));
    d.ns = static_cast<int>(number(f[4]));
    d.nr = static_cast<int>(number(f[5]));
    d.typeId = static_cast<int>(number(f[6]));
    d.cause = static_cast<int>(number(f[7]));
    d.negative = static_cast<int>(number(f[8]));
    d.commonAddress = static_cast<int>(number(f[9]));
    d.originator = static_cast<int>(number(f[10]));
    d.objects = static_cast<int>(number(f[11]));
    d.ioas = numbers(f[12]);
    d.floats = reals(f[13]);
    d.singlePoints = numbers(f[14]);
    d.commandOn = static_cast<int>(number(f[15]));
    d.commandSelect = static_cast<int>(number(f[16]));
    d.qoi = static_cast<int>(number(f[17]));
    for (int i = 18; i < 24; ++i)
        if (!f[i].empty())
            d.time.push_back(number(f[i]));
    return d;
}

} // namespace dissector_detail

/* Decodes the capture with tshark; workDir holds the dump and capture file. */
inline Dissection dissect(const Capture& capture, const std::string& workDir)
{
    using namespace dissector_detail;
    Dissection result;
    const std::string dump = workDir + "/exchange.txt";
    const std::string pcap = workDir + "/exchange.pcapng";
    {
        std::ofstream out(dump, std::ios::trunc);
        out << hexDump(capture);
        if (!out) {
            result.error = "cannot write " + dump;
            return result;
        }
    }
    std::string out;
    if (!run("text2pcap -q -D -T 50000,2404 -4 10.0.0.1,10.0.0.2 '" + dump + "' '" + pcap +
                 "' 2>&1",
             out)) {
        result.error = "text2pcap failed: " + out;
        return result;
    }
    const std::string tshark = "tshark -r '" + pcap + "' -d tcp.port==2404,iec60870_104 ";
    if (!run(tshark + "-Y '_ws.expert.severity >= error || _ws.malformed' 2>/dev/null", out)) {
        result.error = "tshark failed (is it installed?)";
        return result;
    }
    result.badness = out;

    std::string command = tshark + "-T fields -E separator=/t -E occurrence=a -E aggregator=,";
    for (const char* field : kFields)
        command += std::string(" -e ") + field;
    if (!run(command + " 2>/dev/null", out)) {
        result.error = "tshark -T fields failed";
        return result;
    }
    for (const std::string& line : split(out, '\n')) {
        std::vector<std::string> fields = split(line, '\t');
        if (fields.size() != sizeof(kFields) / sizeof(kFields[0]))
            continue;
        result.frames.push_back(parseRow(fields));
    }
    if (result.frames.size() != capture.size())
        result.error = "tshark gave " + std::to_string(result.frames.size()) + " frames for " +
                       std::to_string(capture.size()) + " captured pieces";
    return result;
}

/*
 * The link rules the dissector does not check, on frames of one fresh
 * connection: N(S) runs 0, 1, 2 ... in each direction; the slave never has
 * more than k I frames unacknowledged by the master's N(R); the slave sends
 * I frames only between STARTDT con and STOPDT con. One text per violation.
 */
inline std::vector<std::string> linkRuleViolations(const std::vector<DissectedFrame>& frames, int k)
{
    std::vector<std::string> violations;
    int next[2] = {0, 0}; /* [fromMaster]: expected N(S) */
    int acknowledged = 0; /* slave frames confirmed by the master's N(R) */
    bool started = false;
    for (const DissectedFrame& f : frames) {
        const std::string at = "frame " + std::to_string(f.number) + ": ";
        if (f.kind == 'I') {
            int& expected = next[f.fromMaster ? 1 : 0];
            if (f.ns != expected)
                violations.push_back(at + "N(S) " + std::to_string(f.ns) + " instead of " +
                                     std::to_string(expected));
            expected = (f.ns + 1) % 32768;
            if (!f.fromMaster) {
                if (!started)
                    violations.push_back(at + "I frame outside started data transfer");
                int unacknowledged = (next[0] - acknowledged + 32768) % 32768;
                if (unacknowledged > k)
                    violations.push_back(at + std::to_string(unacknowledged) +
                                         " I frames unacknowledged");
            }
        }
        if (f.fromMaster && (f.kind == 'I' || f.kind == 'S'))
            acknowledged = f.nr;
        if (!f.fromMaster && f.kind == 'U' && f.uFunction == 2)
            started = true;
        if (!f.fromMaster && f.kind == 'U' && f.uFunction == 8)
            started = false;
    }
    return violations;
}

} // namespace qxtest

#endif
