// SPDX-License-Identifier: Apache-2.0
/*
 * point_list.cpp - the gateway's point list (see point_list.h).
 */
#include "point_list.h"

#include <cstdio>
#include <map>
#include <utility>

namespace point_list
{
namespace
{

const char* TypeName(bool measured)
{
    return measured ? "M_ME_NC_1" : "M_SP_NA_1";
}

int IoaOf(bool measured, long long index)
{
    return static_cast<int>(measured ? PointImage::kMeasuredIoaBase + index : index + 1);
}

const char* KindName(PointSource::Kind kind)
{
    switch (kind) {
    case PointSource::kDeviceInput:
        return "device-input";
    case PointSource::kStationState:
        return "station-state";
    case PointSource::kRegisterBit:
        return "register-bit";
    case PointSource::kModbusRegister:
        return "holding-register";
    case PointSource::kTableColumn:
        return "table-column";
    case PointSource::kNone:
        break;
    }
    return "none";
}

std::string ValueText(const PointRow& row)
{
    char text[32];
    std::snprintf(text, sizeof text, row.measured ? "%g" : "%.0f", row.value);
    return text;
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string Number(int value, bool present)
{
    return present ? std::to_string(value) : "";
}

/* Key of one IOA of one image. */
typedef std::pair<bool, int> PointKey;

/* Notes for points loaded by the refresh that no range sends, as runs of
 * consecutive IOAs. */
void NoteUnsent(bool measured, const std::vector<PointSource>& sources,
                const std::map<PointKey, size_t>& served, std::vector<std::string>& notes)
{
    long long runStart = -1;
    auto flush = [&](long long end) {
        if (runStart < 0)
            return;
        char text[96];
        if (end > runStart)
            std::snprintf(text, sizeof text, "IOA %d-%d (%s): loaded but not in the answer, ",
                          IoaOf(measured, runStart), IoaOf(measured, end), TypeName(measured));
        else
            std::snprintf(text, sizeof text, "IOA %d (%s): loaded but not in the answer, ",
                          IoaOf(measured, runStart), TypeName(measured));
        notes.push_back(text + SourceText(sources[runStart]) +
                        (end > runStart ? " .. " + SourceText(sources[end]) : ""));
        runStart = -1;
    };
    for (size_t i = 0; i < sources.size(); ++i) {
        bool unsent = sources[i].kind != PointSource::kNone &&
                      served.count({measured, IoaOf(measured, static_cast<long long>(i))}) == 0;
        if (unsent && runStart < 0)
            runStart = static_cast<long long>(i);
        if (!unsent)
            flush(static_cast<long long>(i) - 1);
    }
    flush(static_cast<long long>(sources.size()) - 1);
}

} // namespace

std::string SourceText(const PointSource& s)
{
    const std::string row = s.table + " SID " + std::to_string(s.sid) + " " + s.field;
    switch (s.kind) {
    case PointSource::kDeviceInput:
        return row + " (device input " + std::to_string(s.number) + ")";
    case PointSource::kStationState:
        return row + " (station state)";
    case PointSource::kRegisterBit:
        return row + " (register " + std::to_string(s.number) + " bit " + std::to_string(s.bit) +
               ")";
    case PointSource::kModbusRegister:
        return row + " (holding register " + std::to_string(s.number) + ") x 0.1";
    case PointSource::kTableColumn:
        return row + " / " + std::to_string(s.divisor);
    case PointSource::kNone:
        break;
    }
    return "-";
}

PointList MakePointList(const std::vector<AnswerRange>& ranges, const PointImage& img,
                        const PointSourceRecord& record)
{
    PointList list;
    std::map<PointKey, size_t> rowOf;
    std::map<PointKey, std::vector<std::string>> rangesOf;
    for (const AnswerRange& r : ranges) {
        const int lowest = r.measured ? PointImage::kMeasuredIoaBase : 1;
        const int points = r.measured ? PointImage::kMeasuredPoints : PointImage::kStatusPoints;
        const int first = r.first < lowest ? lowest : r.first;
        const int last = r.last > lowest + points - 1 ? lowest + points - 1 : r.last;
        for (int ioa = first; ioa <= last; ++ioa) {
            PointKey key(r.measured, ioa);
            rangesOf[key].push_back(r.table.empty() ? "status" : r.table);
            auto found = rowOf.find(key);
            if (found != rowOf.end()) {
                ++list.rows[found->second].served;
                continue;
            }
            const size_t index = static_cast<size_t>(ioa - lowest);
            PointRow row;
            row.ioa = ioa;
            row.measured = r.measured;
            row.cause = r.cause;
            row.value = r.measured ? img.measured[index] : img.status[index];
            row.quality = r.measured ? img.measuredQuality[index] : img.statusQuality[index];
            const std::vector<PointSource>& sources = r.measured ? record.measured : record.status;
            if (index < sources.size())
                row.source = sources[index];
            row.served = 1;
            rowOf[key] = list.rows.size();
            list.rows.push_back(row);
        }
    }

    for (const PointRow& row : list.rows) {
        if (row.served < 2)
            continue;
        std::string text = "IOA " + std::to_string(row.ioa) + " (" + TypeName(row.measured) +
                           ") is sent " + std::to_string(row.served) + " times in one answer (";
        const std::vector<std::string>& owners = rangesOf[{row.measured, row.ioa}];
        for (size_t i = 0; i < owners.size(); ++i)
            text += (i ? ", " : "") + owners[i];
        list.problems.push_back(text + "), always with " + SourceText(row.source));
    }
    for (const PointSourceRecord::Event& e : record.outside) {
        char where[96];
        std::snprintf(where, sizeof where, " would be %s index %lld (IOA %lld)",
                      e.measured ? "measured" : "status", e.index,
                      e.measured ? PointImage::kMeasuredIoaBase + e.index : e.index + 1);
        list.problems.push_back("row outside the images: " + SourceText(e.source) + where);
    }

    for (const PointSourceRecord::Event& e : record.replaced) {
        const std::vector<PointSource>& sources = e.measured ? record.measured : record.status;
        list.notes.push_back("IOA " + std::to_string(IoaOf(e.measured, e.index)) + " (" +
                             TypeName(e.measured) + "): " + SourceText(e.source) +
                             " is overwritten by " +
                             SourceText(sources[static_cast<size_t>(e.index)]));
    }
    NoteUnsent(false, record.status, rowOf, list.notes);
    NoteUnsent(true, record.measured, rowOf, list.notes);
    return list;
}

std::string FormatTable(const PointList& list)
{
    std::string out = "  IOA    hex  type       COT  value         Q   source\n";
    for (const PointRow& row : list.rows) {
        char line[96];
        std::snprintf(line, sizeof line, "%5d  %05X  %s  %3d  %-12s  %-2s  ", row.ioa,
                      static_cast<unsigned>(row.ioa), TypeName(row.measured), row.cause,
                      ValueText(row).c_str(), (row.quality & 0x80) ? "IV" : "");
        out += line + SourceText(row.source);
        if (row.served > 1)
            out += "  [sent " + std::to_string(row.served) + " times]";
        out += "\n";
    }
    char summary[96];
    std::snprintf(summary, sizeof summary, "%zu points, %zu problems, %zu notes\n",
                  list.rows.size(), list.problems.size(), list.notes.size());
    out += summary;
    for (const std::string& p : list.problems)
        out += "problem: " + p + "\n";
    for (const std::string& n : list.notes)
        out += "note: " + n + "\n";
    return out;
}

std::string FormatCsv(const PointList& list)
{
    std::string out = "ioa,type,cot,value,quality,source,table,sid,field,register,bit,divisor,"
                      "sent\n";
    for (const PointRow& row : list.rows) {
        const PointSource& s = row.source;
        const bool any = s.kind != PointSource::kNone;
        const bool reg =
            s.kind == PointSource::kRegisterBit || s.kind == PointSource::kModbusRegister;
        out += std::to_string(row.ioa) + "," + TypeName(row.measured) + "," +
               std::to_string(row.cause) + "," + ValueText(row) + "," +
               ((row.quality & 0x80) ? "IV" : "") + "," + KindName(s.kind) + "," +
               CsvField(s.table) + "," + Number(s.sid, any) + "," + CsvField(s.field) + "," +
               Number(s.number, reg) + "," + Number(s.bit, s.kind == PointSource::kRegisterBit) +
               "," + Number(s.divisor, s.kind == PointSource::kTableColumn) + "," +
               std::to_string(row.served) + "\n";
    }
    return out;
}

} // namespace point_list
