// SPDX-License-Identifier: Apache-2.0
/*
 * SimpleIni: loading, lookups, edits and saving of an INI file held in
 * memory. The grammar and the save format are described in SimpleIni.h.
 *
 * Design choices:
 *   - A section header creates its section even when no key follows, so an
 *     empty section survives a load/save round trip.
 *   - SaveAs reports false also when writing or closing the file fails
 *     (disk full), not only when it cannot be opened.
 */
#include "SimpleIni.h"

#include <fstream>
#include <string>

SimpleIni::SimpleIni(const std::string& fileName)
{
    if (!fileName.empty() && !Load(fileName))
        throw std::string("Unable to open the file ") + fileName + " in read mode.";
}

SimpleIni::~SimpleIni()
{
    Free();
}

void SimpleIni::ParasitCar(std::string& line)
{
    if (!line.empty() && static_cast<unsigned char>(line.back()) <= 31)
        line.pop_back();
}

std::string SimpleIni::Trim(const std::string& text)
{
    const char* blanks = " \t";
    const std::string::size_type first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    const std::string::size_type last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

void SimpleIni::Free()
{
    m_Sections.clear();
}

bool SimpleIni::Load(const std::string& fileName)
{
    Free();
    m_FileName = fileName;
    std::ifstream in(fileName, std::ios::in | std::ios::binary);
    if (!in.is_open())
        return false;

    /* The current section carries over from line to line; a description
     * collects whole-line comments until the next key or header. */
    std::string section;
    std::string description;
    std::string line;
    while (std::getline(in, line))
        ParseLine(line, section, description);
    /* Comment lines after the last entry have nothing to attach to. */
    return true;
}

void SimpleIni::ParseLine(std::string line, std::string& section, std::string& description)
{
    ParasitCar(line);
    if (line.empty())
        return;

    if (line[0] == '[') {
        const std::string::size_type close = line.find(']');
        const std::string name =
            close == std::string::npos ? line.substr(1) : line.substr(1, close - 1);
        section = Trim(name);
        m_Sections[section];
        if (!description.empty()) {
            m_Descriptions[section][""] = description;
            description.clear();
        }
        return;
    }

    std::string comment;
    const std::string::size_type mark = line.find_first_of(";#");
    if (mark == 0) {
        if (!description.empty())
            description += '\n';
        description += line.substr(1);
        return;
    }
    if (mark != std::string::npos) {
        comment = line.substr(mark + 1);
        line.erase(mark);
    }

    std::string key;
    std::string value;
    const std::string::size_type equals = line.find('=');
    if (equals == std::string::npos) {
        key = Trim(line);
    } else {
        key = Trim(line.substr(0, equals));
        value = Trim(line.substr(equals + 1));
    }

    IniLine& entry = m_Sections[section][key];
    entry.value = value;
    entry.comment = comment;
    if (!description.empty()) {
        m_Descriptions[section][key] = description;
        description.clear();
    }
}

bool SimpleIni::Save()
{
    return SaveAs(m_FileName);
}

bool SimpleIni::SaveAs(const std::string& fileName)
{
    std::ofstream out(fileName, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!out.is_open())
        return false;

    bool first = true;
    for (const auto& section : m_Sections) {
        if (!first)
            out << '\n';
        first = false;
        SaveDescription(section.first, "", out);
        if (!section.first.empty())
            out << '[' << section.first << "]\n";
        for (const auto& entry : section.second) {
            SaveDescription(section.first, entry.first, out);
            if (!entry.first.empty())
                out << entry.first << '=' << entry.second.value;
            if (!entry.second.comment.empty())
                out << (entry.first.empty() ? "#" : "\t;") << entry.second.comment;
            out << '\n';
        }
    }
    out.close();
    return !out.fail();
}

void SimpleIni::SaveDescription(std::string section, std::string key, std::ofstream& file)
{
    const std::string& description = m_Descriptions[section][key];
    if (description.empty())
        return;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type end = description.find('\n', start);
        file << '#' << description.substr(start, end - start) << '\n';
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
}

std::string SimpleIni::GetValue(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const
{
    const auto sec = m_Sections.find(section);
    if (sec == m_Sections.end())
        return defaultValue;
    const auto entry = sec->second.find(key);
    if (entry == sec->second.end())
        return defaultValue;
    return entry->second.value;
}

void SimpleIni::SetValue(const std::string& section, const std::string& key,
                         const std::string& value)
{
    m_Sections[section][key].value = value;
}

std::string SimpleIni::GetComment(const std::string& section, const std::string& key) const
{
    const auto sec = m_Sections.find(section);
    if (sec == m_Sections.end())
        return std::string();
    const auto entry = sec->second.find(key);
    if (entry == sec->second.end())
        return std::string();
    return entry->second.comment;
}

void SimpleIni::SetComment(const std::string& section, const std::string& key,
                           const std::string& comment)
{
    m_Sections[section][key].comment = comment;
}

void SimpleIni::DeleteKey(const std::string& section, const std::string& key)
{
    m_Sections[section].erase(key);
}

SimpleIni::SectionIterator SimpleIni::beginSection()
{
    return SectionIterator(m_Sections.begin());
}

SimpleIni::SectionIterator SimpleIni::endSection()
{
    return SectionIterator(m_Sections.end());
}

/* One shared, never modified map gives absent sections an empty range
 * without creating them. */
static SimpleIni::KeyMap& emptyKeyMap()
{
    static SimpleIni::KeyMap empty;
    return empty;
}

SimpleIni::KeyIterator SimpleIni::beginKey(const std::string& section)
{
    const auto sec = m_Sections.find(section);
    if (sec == m_Sections.end())
        return KeyIterator(emptyKeyMap().begin());
    return KeyIterator(sec->second.begin());
}

SimpleIni::KeyIterator SimpleIni::endKey(const std::string& section)
{
    const auto sec = m_Sections.find(section);
    if (sec == m_Sections.end())
        return KeyIterator(emptyKeyMap().end());
    return KeyIterator(sec->second.end());
}
