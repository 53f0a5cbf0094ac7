#include "base/profile.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/diag.h"
#include "base/files.h"
#include "base/profile_cipher.h"

namespace tarvox {
namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool IsAlnum(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x80 && std::isalnum(u) != 0;
}

std::int32_t ClampToInt32(long long v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(v);
}

std::int32_t ParseLong(const char* text, int base) {
    return ClampToInt32(std::strtoll(text, nullptr, base));
}

// Walks a raw value as the list readers do and calls item(pointer) at the
// first byte of every item and cut(pointer) at every byte that ends one.
template <typename OnItem, typename OnCut>
int WalkList(char* raw, char separator, OnItem item, OnCut cut) {
    bool new_item = true;
    bool line_start = true;
    int count = 0;
    for (char* p = raw; *p != '\0'; ++p) {
        const char c = *p;
        if (c == separator) {
            new_item = true;
            line_start = false;
            cut(p);
        } else if (IsLineEnd(c)) {
            new_item = line_start = true;
            cut(p);
        } else if (line_start && IsBlank(c)) {
            new_item = line_start = true;
            cut(p);
        } else if (new_item) {
            new_item = line_start = false;
            item(p);
            ++count;
        }
    }
    return count;
}

}  // namespace

Profile::Profile(std::string_view file_name, bool enciphered) : enciphered_(enciphered) {
    if (file_name.size() >= kMaxFileName) {
        ReportError("Napaka pri odpiranju datoteke <" + std::string(file_name) + ">");
        return;
    }
    file_name_.assign(file_name);
    Load();
}

void Profile::Unload() {
    loaded_ = false;
    buffer_.clear();
    buffer_.shrink_to_fit();
    table_.clear();
}

bool Profile::Load() {
    Unload();
    FilePtr f = OpenFile(file_name_, "rb");
    if (!f) {
        ReportError("Napaka pri odpiranju datoteke <" + file_name_ + ">");
        return false;
    }
    std::size_t length = 0;
    std::optional<ProfileDecipher> decipher;
    if (enciphered_) {
        decipher.emplace(f.get());
        const auto announced = decipher->Announce();
        if (!announced) {
            ReportError("Napaka pri branju profile datoteke\n");
            return false;
        }
        length = *announced;
    } else {
        const std::int64_t size = FileSize(f.get());
        if (size < 0) {
            ReportError("Napaka pri branju profile datoteke\n");
            return false;
        }
        length = static_cast<std::size_t>(size);
    }
    try {
        buffer_.assign(length + 1, '\0');
    } catch (const std::bad_alloc&) {
        ReportError("Napaka pri alokaciji pomnilnika (profile)");
        return false;
    }
    const std::span<char> content(buffer_.data(), length);
    const std::size_t got =
        enciphered_ ? decipher->Deliver(content) : std::fread(content.data(), 1, length, f.get());
    if (got != length) {
        ReportError("Napaka pri branju profile datoteke\n");
        Unload();
        return false;
    }
    f.reset();
    buffer_[length] = '\0';

    char* const buf = buffer_.data();
    auto line_start = [buf](std::size_t i) { return i == 0 || IsLineEnd(buf[i - 1]); };
    std::size_t entries = 0;
    for (std::size_t i = 0; i < length; ++i)
        if (IsAlnum(buf[i]) && line_start(i)) ++entries;
    try {
        table_.reserve(entries);
    } catch (const std::bad_alloc&) {
        ReportError("Napaka pri alokaciji pomnilnika (profile-kazalci)");
        Unload();
        return false;
    }

    long line = 1;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = buf[i];
        if (c == '\r') {
            ++line;
            continue;
        }
        if (!line_start(i)) continue;
        if (IsAlnum(c)) {
            if (i > 0) buf[i - 1] = '\0';
            const char* name = buf + i;
            std::size_t j = i;
            while (j < length && (IsAlnum(buf[j]) || buf[j] == '_')) ++j;
            const std::size_t name_end = j;
            while (j < length && (buf[j] == ' ' || buf[j] == '\t')) ++j;
            if (j >= length || buf[j] != '=') {
                ReportError("Napaka v profile datoteki - vrstica " + std::to_string(line));
                Unload();
                return false;
            }
            buf[name_end] = '\0';
            table_.push_back({name, buf + j + 1});
            i = j;  // the loop steps past the "="
        } else if (c == '#') {
            buf[i] = '\0';
        }
    }
    loaded_ = true;
    return true;
}

char* Profile::FindMutable(std::string_view name) const {
    for (const Variable& v : table_)
        if (name == v.name) return v.value;
    return nullptr;
}

const char* Profile::Find(std::string_view name) const { return FindMutable(name); }

int Profile::GetString(std::string_view name, std::string& out) const {
    const char* raw = Find(name);
    out.clear();
    if (!raw) return -1;
    bool skipping = true;
    bool line_end_blank = false;
    for (const char* p = raw; *p != '\0'; ++p) {
        const char c = *p;
        if (IsLineEnd(c)) {
            if (!out.empty() && !skipping && !IsBlank(out.back())) {
                out.push_back(' ');
                line_end_blank = true;
            }
            skipping = true;
        } else if (skipping && IsBlank(c)) {
            continue;
        } else {
            out.push_back(c);
            skipping = false;
            line_end_blank = false;
        }
    }
    if (line_end_blank && !out.empty()) out.pop_back();
    return static_cast<int>(out.size());
}

int Profile::GetStringLength(std::string_view name) const {
    std::string value;
    return GetString(name, value);
}

int Profile::GetLong(std::string_view name, std::int32_t& out) const {
    const char* raw = Find(name);
    if (!raw) return -1;
    out = ParseLong(raw, 0);
    return 0;
}

int Profile::GetDouble(std::string_view name, double& out) const {
    const char* raw = Find(name);
    if (!raw) return -1;
    out = std::strtod(raw, nullptr);
    return 0;
}

int Profile::CountItems(std::string_view name, char separator) const {
    char* raw = FindMutable(name);
    if (!raw) return -1;
    return WalkList(raw, separator, [](char*) {}, [](char*) {});
}

int Profile::GetLongArray(std::string_view name, char separator,
                          std::vector<std::int32_t>& out) const {
    char* raw = FindMutable(name);
    out.clear();
    if (!raw) return -1;
    return WalkList(
        raw, separator, [&out](char* p) { out.push_back(ParseLong(p, 10)); }, [](char*) {});
}

int Profile::GetNumberArray(std::string_view name, char separator, int kind,
                            std::vector<double>* reals, std::vector<float>* floats,
                            std::vector<std::int32_t>* integers) const {
    char* raw = FindMutable(name);
    if (reals) reals->clear();
    if (floats) floats->clear();
    if (integers) integers->clear();
    if (!raw) return -1;
    return WalkList(
        raw, separator,
        [&](char* p) {
            switch (kind) {
                case 0:
                    if (reals) reals->push_back(std::strtod(p, nullptr));
                    break;
                case 1:
                    if (floats) floats->push_back(std::strtof(p, nullptr));
                    break;
                case 2:
                case 3:
                    if (integers) integers->push_back(ParseLong(p, 0));
                    break;
                default:
                    break;
            }
        },
        [](char*) {});
}

int Profile::SplitItems(std::string_view name, char separator, std::vector<const char*>& out) {
    char* raw = FindMutable(name);
    out.clear();
    if (!raw) return -1;
    // Items are recorded first and cut afterwards: cutting as we go would end
    // the walk at the first NUL written.
    std::vector<char*> cuts;
    const int n = WalkList(
        raw, separator, [&out](char* p) { out.push_back(p); },
        [&cuts](char* p) { cuts.push_back(p); });
    for (char* p : cuts) *p = '\0';
    return n;
}

int Profile::GetStringArray(std::string_view name, char separator,
                            std::vector<const char*>& out) {
    out.clear();
    const int count = CountItems(name, separator);
    if (count <= 0) {
        ReportError("Napaka pri branju spremenljivk: " + std::string(name));
        return count;
    }
    try {
        out.reserve(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        ReportError("Napaka pri alokaciji memorije " + std::string(name));
        return -1;
    }
    return SplitItems(name, separator, out);
}

int Profile::GetItems(std::string_view name, char separator, std::vector<std::string>& out) const {
    char* raw = FindMutable(name);
    out.clear();
    if (!raw) return -1;
    return WalkList(
        raw, separator,
        [&out, separator](char* p) {
            const char* end = p;
            while (*end != '\0' && *end != separator && !IsLineEnd(*end)) ++end;
            out.emplace_back(static_cast<const char*>(p), end);
        },
        [](char*) {});
}

bool toCstring(const char* value, std::string& out) {
    out.clear();
    if (!value) return false;
    const char* p = std::strchr(value, '"');
    if (!p) return false;
    for (++p; *p != '\0'; ++p) {
        if (*p == '"') return true;
        if (*p == '\\') {
            ++p;
            switch (*p) {
                case 'a': out.push_back('\a'); break;
                case 'n': out.push_back('\n'); break;
                case 't': out.push_back('\t'); break;
                case 'v': out.push_back('\v'); break;
                case 'b': out.push_back('\b'); break;
                case 'r': out.push_back('\r'); break;
                case 'f': out.push_back('\f'); break;
                case '0': out.push_back('\0'); break;
                case '\0': return false;
                default: out.push_back(*p); break;
            }
        } else {
            out.push_back(*p);
        }
    }
    return false;
}

int ReadGfpSwitch(const Profile& profile, std::string_view name, bool& on) {
    on = false;
    if (profile.Find(name) == nullptr) return 0;
    std::int32_t value = 0;
    if (profile.GetLong(name, value) != 0 || value < 0 || value > 1) {
        ReportError("Napaka: v ini datoteki (ini_gfp): " + std::string(name));
        return -1;
    }
    on = value == 1;
    return 0;
}

}  // namespace tarvox
