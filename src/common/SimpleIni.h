// SPDX-License-Identifier: Apache-2.0
/*
 * SimpleIni: an INI-style text file held in memory.
 *
 * The file is kept as sections of key/value entries (ordered maps, byte-wise
 * key order, case-sensitive names). Lookups return a default for anything
 * missing and never create entries. The content can be written back with
 * Save/SaveAs; whole-line comments above a key or header are kept as its
 * description and come back as "#" lines, inline comments come back after
 * "\t;".
 *
 * Load grammar, one line at a time:
 *   - a trailing control byte (value <= 31, e.g. CR of a CR LF file) is
 *     removed, one byte only;
 *   - empty lines are skipped and do not end a pending description;
 *   - "[" in the first column starts a header; the name runs to the first "]"
 *     (or the line end) and is trimmed; the rest of the line is ignored;
 *   - a line starting with ";" or "#" adds its text to the pending
 *     description; a later ";" or "#" starts the entry's inline comment;
 *   - the first "=" splits key and value, both trimmed; without "=" the
 *     whole line is the key and the value is empty;
 *   - keys before the first header belong to the section "" (empty name).
 *
 * Ownership: the object owns all its strings and maps; nothing is shared and
 * no file is kept open between calls. Copies are independent.
 *
 * Threads: no locks. Concurrent GetValue calls are safe as long as nothing
 * loads, sets, deletes or saves at the same time (saving adds empty
 * descriptions).
 *
 * Design choices:
 *   - GetValue<int> returns the default when the value does not begin with a
 *     decimal number (empty value, letters) or lies outside the range of int.
 *   - beginKey/endKey of an absent section give an empty range (both are the
 *     end of one shared empty key map).
 */
#ifndef SIMPLE_INI_H
#define SIMPLE_INI_H

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <type_traits>

class SimpleIni
{
  public:
    /* One entry of a section. */
    struct IniLine {
        std::string value;   /* text after the first "=", trimmed */
        std::string comment; /* text after the inline ";"/"#", unchanged */

        IniLine() = default;
        IniLine(const IniLine& other) = default;
        IniLine& operator=(const IniLine& other) = default;
    };

    typedef std::map<std::string, IniLine> KeyMap;
    typedef std::map<std::string, KeyMap> SectionMap;
    typedef std::map<std::string, std::map<std::string, std::string>> DescriptionMap;

    /* Position in the section map; *it gives (name, key map). */
    class SectionIterator
    {
      public:
        SectionIterator() = default;
        explicit SectionIterator(SectionMap::iterator it) : m_It(it) {}
        SectionMap::value_type& operator*() const { return *m_It; }
        SectionMap::value_type* operator->() const { return &*m_It; }
        SectionIterator& operator++()
        {
            ++m_It;
            return *this;
        }
        bool operator==(const SectionIterator& other) const { return m_It == other.m_It; }
        bool operator!=(const SectionIterator& other) const { return m_It != other.m_It; }

      private:
        SectionMap::iterator m_It;
    };

    /* Position in one section's key map; *it gives (key, IniLine). */
    class KeyIterator
    {
      public:
        KeyIterator() = default;
        explicit KeyIterator(KeyMap::iterator it) : m_It(it) {}
        KeyMap::value_type& operator*() const { return *m_It; }
        KeyMap::value_type* operator->() const { return &*m_It; }
        KeyIterator& operator++()
        {
            ++m_It;
            return *this;
        }
        bool operator==(const KeyIterator& other) const { return m_It == other.m_It; }
        bool operator!=(const KeyIterator& other) const { return m_It != other.m_It; }

      private:
        KeyMap::iterator m_It;
    };

    /* Empty object; with a non-empty name the file is loaded at once.
     * Throws std::string "Unable to open the file <name> in read mode."
     * when that file cannot be opened. */
    explicit SimpleIni(const std::string& fileName = std::string());
    ~SimpleIni();

    /* Replaces the sections by the file's content and remembers the name for
     * Save. True when the file was read to its end, false when it cannot be
     * opened (the object is then empty of sections). */
    bool Load(const std::string& fileName);
    /* SaveAs with the name last given to Load. */
    bool Save();
    /* Writes the whole content; false when the file cannot be opened for
     * writing (nothing written), true otherwise. */
    bool SaveAs(const std::string& fileName);
    /* Writes the description of (section, key) as "#" lines; an absent
     * description is created empty and writes nothing. */
    void SaveDescription(std::string section, std::string key, std::ofstream& file);
    /* Empties the sections; descriptions and file name stay. */
    void Free();

    /* The entry's value, or defaultValue when section or key is absent. */
    std::string GetValue(const std::string& section, const std::string& key,
                         const std::string& defaultValue = std::string()) const;

    /* Typed lookup (used for int): the value read by stream extraction
     * ("12abc" gives 12, "0x1F" gives 0), or defaultValue when the entry is
     * absent, is exactly ";", or does not begin with a number in range. The
     * default's type is not deduced, so GetValue(s, k, "text") picks the text
     * lookup above. */
    template <typename T>
    T GetValue(const std::string& section, const std::string& key,
               const typename std::common_type<T>::type& defaultValue) const;

    /* Sets the value, creating section and entry; an existing comment stays. */
    void SetValue(const std::string& section, const std::string& key, const std::string& value);
    /* The entry's inline comment, or "" when absent (nothing is created). */
    std::string GetComment(const std::string& section, const std::string& key) const;
    /* Sets the comment, creating section and entry; an existing value stays. */
    void SetComment(const std::string& section, const std::string& key, const std::string& comment);
    /* Removes the key; a missing section is created empty, a missing key is
     * no error. */
    void DeleteKey(const std::string& section, const std::string& key);

    /* All sections in map order. Iterators stay valid until the section is
     * removed (Load/Free). */
    SectionIterator beginSection();
    SectionIterator endSection();
    /* The keys of one section in map order; an absent section gives an empty
     * range. */
    KeyIterator beginKey(const std::string& section);
    KeyIterator endKey(const std::string& section);

    /* Removes the last byte of line when its value is 31 or less. */
    static void ParasitCar(std::string& line);
    /* text without leading and trailing blanks and tabs (other whitespace
     * stays). */
    static std::string Trim(const std::string& text);

  private:
    void ParseLine(std::string line, std::string& section, std::string& description);

    SectionMap m_Sections;
    DescriptionMap m_Descriptions;
    std::string m_FileName;
};

template <typename T>
T SimpleIni::GetValue(const std::string& section, const std::string& key,
                      const typename std::common_type<T>::type& defaultValue) const
{
    static_assert(std::is_arithmetic<T>::value, "typed GetValue reads numbers only");
    const std::string text = GetValue(section, key, ";");
    if (text == ";")
        return defaultValue;
    std::istringstream stream(text);
    T result{};
    /* A failed extraction (no leading number, out of range) keeps the
     * caller's default rather than a clamped or zero value. */
    if (!(stream >> result))
        return defaultValue;
    return result;
}

#endif
