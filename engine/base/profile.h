// Profile files: flat lists of named variables, the format of sint.ini and of
// the three stage profiles.
//
// The whole file is read into one buffer at construction and cut into
// variables in one pass; lookups answer by name afterwards. Names and raw
// values are pointers into the buffer and live as long as the object. Values
// are interpreted only when asked for, by the lookup the caller chooses.
//
// Syntax in short: an entry line starts in the first column with an ASCII
// letter or digit; the name runs over letters, digits and "_", blanks may
// follow, then "=" and the value. The value continues over following lines
// that do not start with a letter or digit. "#" in the first column ends the
// preceding value. The first of two variables with the same name wins.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

class Profile {
public:
    static constexpr std::size_t kMaxFileName = 512;

    // Constructs and loads at once; test IsLoaded afterwards.
    Profile(std::string_view file_name, bool enciphered);

    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;

    // Loads (again): frees the old buffer and table first.
    bool Load();
    bool IsLoaded() const { return loaded_; }
    const std::string& FileName() const { return file_name_; }
    std::size_t VariableCount() const { return table_.size(); }

    // Raw value text, or null when missing.
    const char* Find(std::string_view name) const;

    // Normalised value (leading blanks of every line dropped, lines joined by
    // one blank); its length, or -1 when missing.
    int GetString(std::string_view name, std::string& out) const;
    int GetStringLength(std::string_view name) const;

    // Signed 32-bit integer with automatic base (0x hexadecimal, leading 0
    // octal); 0, or -1 when missing.
    int GetLong(std::string_view name, std::int32_t& out) const;
    int GetDouble(std::string_view name, double& out) const;

    // List items are separated by the separator and by line ends; blanks at
    // the start of a line are skipped; empty items do not exist.
    int CountItems(std::string_view name, char separator) const;
    // Items parsed as decimal signed 32-bit integers.
    int GetLongArray(std::string_view name, char separator, std::vector<std::int32_t>& out) const;

    // The element kinds of GetNumberArray.
    enum class NumberKind { Double = 0, Float = 1, Long = 2, Int = 3 };
    // Kind Double fills `reals`, kind Float fills `floats`, kinds Long and Int
    // fill `integers` (automatic base); any other kind only counts.
    int GetNumberArray(std::string_view name, char separator, int kind, std::vector<double>* reals,
                       std::vector<float>* floats, std::vector<std::int32_t>* integers) const;

    // Cuts the items into NUL-terminated strings inside the buffer. Later
    // string lookups of the same variable see at most its first item.
    int SplitItems(std::string_view name, char separator, std::vector<const char*>& out);
    // As SplitItems; reports a missing or empty list and returns 0 or -1.
    int GetStringArray(std::string_view name, char separator, std::vector<const char*>& out);
    // Copies of the items, leaving the buffer as it is; the item count, or -1
    // when the variable is missing.
    int GetItems(std::string_view name, char separator, std::vector<std::string>& out) const;

private:
    struct Variable {
        const char* name;
        char* value;
    };
    char* FindMutable(std::string_view name) const;
    void Unload();

    std::string file_name_;
    bool enciphered_;
    bool loaded_ = false;
    std::vector<char> buffer_;
    std::vector<Variable> table_;
};

// The text between the first pair of double quotes of a value, with the
// backslash escapes \a \n \t \v \b \r \f \0 and "\c" for any other c.
// False when there is no quoted part; the caller then reports
// "Napaka pri pretvorbi (toCstring)\n".
bool toCstring(const char* value, std::string& out);

// An optional switch of the converter profile: absent is off, "0" or "1";
// any other value reports "Napaka: v ini datoteki (ini_gfp): NAME" and
// gives -1 (`on` is then off).
int ReadGfpSwitch(const Profile& profile, std::string_view name, bool& on);

}  // namespace tarvox
