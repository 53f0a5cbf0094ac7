#include "lexicon/dictionary.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "base/config.h"
#include "base/diag.h"
#include "base/files.h"
#include "base/profile.h"
#include "lexicon/dictionary_cipher.h"

namespace tarvox {
namespace {

unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(static_cast<unsigned char>(a[i])) !=
            FoldAscii(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The lower-cased extension after the last dot of a file name ("" if none).
std::string ExtensionOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    std::string ext(name.substr(dot + 1));
    for (char& c : ext) c = static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
    return ext;
}

// The file name part of a path (after the last slash or backslash).
std::string_view BaseName(std::string_view path) {
    const std::size_t cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::uint32_t ReadLe32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool EndsWithLineEnd(const std::vector<char>& buf, std::size_t start, std::size_t end) {
    return end - start >= 2 && buf[end - 2] == '\r' && buf[end - 1] == '\n';
}

// Splits a buffer of "key\tvalue\r\n" lines in place: every CR (with the LF
// after it) and every tab becomes NUL. Calls start(offset) for each line
// start: the buffer start and every position after a line end that is not
// the final NUL. `end` is the position of the final NUL.
template <typename Start>
void SplitLines(std::vector<char>& buf, std::size_t end, Start start) {
    if (end == 0) return;
    start(std::size_t{0});
    for (std::size_t i = 0; i < end;) {
        if (buf[i] == '\r') {
            buf[i] = '\0';
            std::size_t next = i + 1;
            // Only a line feed is swallowed with the carriage return; any
            // other byte after a lone CR is the start of the next line.
            if (next < end && buf[next] == '\n') buf[next++] = '\0';
            if (next < end && buf[next] != '\0') start(next);
            i = next;
        } else {
            if (buf[i] == '\t') buf[i] = '\0';
            ++i;
        }
    }
}

}  // namespace

// ---------------------------------------------------------------- priorities

DictionaryPriorities DictionaryPriorities::FromProfile(Profile& profile) {
    std::vector<const char*> items;
    if (profile.SplitItems("prioriteta_slovarjev", '\t', items) <= 0) return {};
    std::vector<std::string> names;
    names.reserve(items.size());
    for (const char* item : items) {
        const std::string_view name = TrimValue(item);
        if (!name.empty()) names.emplace_back(name);
    }
    return DictionaryPriorities(std::move(names));
}

std::uint8_t DictionaryPriorities::Of(std::string_view file_name) const {
    const std::size_t n = names_.size();
    for (std::size_t i = 0; i < n; ++i)
        if (EqualsIgnoreCase(names_[i], file_name))
            return static_cast<std::uint8_t>(std::min<std::size_t>(n - i, 255));
    return 0;
}

DictionarySettings DictionarySettings::From(const Configuration& config, Profile& gfp_profile) {
    DictionarySettings s;
    s.dct_dir = config.DctDir();
    s.index_path = config.ResolvePath(kDictionaryIndexName);
    s.read_index = config.switches().index_mode;
    s.allow_plain = config.switches().dovoli_nesifrirane_slovarje;
    if (!s.read_index) s.priorities = DictionaryPriorities::FromProfile(gfp_profile);
    return s;
}

// ---------------------------------------------------------------- loading

int Dictionary::Load(const DictionarySettings& settings) {
    if (settings.read_index) return LoadIndex(settings.index_path);
    return LoadFiles(settings.dct_dir, settings.allow_plain, settings.priorities);
}

int Dictionary::LoadIndex(std::string_view index_path) {
    Release();
    FilePtr f = OpenFile(index_path, "rb");
    if (!f) return -1;
    const std::int64_t size = FileSize(f.get());
    if (size < 0) return -1;
    if (size <= static_cast<std::int64_t>(kIndexHeaderSize)) return 0;

    unsigned char header[kIndexHeaderSize];
    if (std::fread(header, 1, sizeof header, f.get()) != sizeof header) return -1;
    const std::uint32_t data_length = ReadLe32(header + 4);
    const std::uint32_t index_length = ReadLe32(header + 12);
    const std::uint32_t count = ReadLe32(header + 20);
    if (count != index_length / 4 || index_length % 4 != 0) {
        ReportError("napacna dolzina: dolzina_indeksov,dolzina_prioritet " +
                    std::to_string(index_length) + "," + std::to_string(count) + "\n");
        return -1;
    }
    const std::uint64_t expected = kIndexHeaderSize + std::uint64_t{data_length} +
                                   4 * std::uint64_t{count} + std::uint64_t{count};
    if (expected != static_cast<std::uint64_t>(size)) {
        ReportError("napacna dolzina: dolzina_dat " + std::to_string(size) + "," +
                    std::to_string(expected) + "\n");
        return -1;
    }

    auto corrupt = [this](const std::string& what) {
        ReportError("Napaka: poskodovan indeks slovarja (" + what + ")\n");
        Release();
        return -1;
    };
    std::vector<char> index_block;
    std::vector<unsigned char> priorities;
    try {
        // Two NULs after the data: a key that runs to the end of the block
        // still ends, and so does its (empty) pronunciation.
        buffer_.assign(std::size_t{data_length} + 2, '\0');
        index_block.resize(std::size_t{index_length});
        priorities.resize(count);
        entries_.resize(count);
    } catch (const std::bad_alloc&) {
        ReportError("Napaka pri alokaciji pomnilnika (slovar)");
        Release();
        return -1;
    }
    if (std::fread(buffer_.data(), 1, data_length, f.get()) != data_length ||
        std::fread(index_block.data(), 1, index_block.size(), f.get()) != index_block.size() ||
        std::fread(priorities.data(), 1, priorities.size(), f.get()) != priorities.size())
        return corrupt("kratko branje");
    DecipherIndexBlock(std::span<char>(buffer_.data(), data_length));
    DecipherIndexBlock(index_block);

    const auto* offsets = reinterpret_cast<const unsigned char*>(index_block.data());
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t offset = ReadLe32(offsets + 4 * std::size_t{i});
        if (offset >= data_length) return corrupt("odmik " + std::to_string(i));
        entries_[i] = Item{offset, priorities[i]};
        if (i > 0 && std::strcmp(KeyAt(i - 1), KeyAt(i)) > 0)
            return corrupt("vrstni red " + std::to_string(i));
    }
    return 0;
}

int Dictionary::LoadFiles(std::string_view dct_dir, bool allow_plain,
                          const DictionaryPriorities& priorities) {
    std::vector<Source> sources;
    std::string dir(dct_dir);
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
    for (std::string& name : ListFiles(dct_dir, "")) sources.push_back({dir + name, name});
    return LoadSources(sources, allow_plain, priorities);
}

int Dictionary::LoadFileList(std::span<const std::string> paths, bool allow_plain,
                             const DictionaryPriorities& priorities) {
    std::vector<Source> sources;
    for (const std::string& p : paths) sources.push_back({p, std::string(BaseName(p))});
    return LoadSources(sources, allow_plain, priorities);
}

int Dictionary::LoadSources(const std::vector<Source>& sources, bool allow_plain,
                            const DictionaryPriorities& priorities) {
    Release();
    if (sources.empty()) {
        ReportError("Ni slovarja!");
        return -1;
    }

    struct Taken {
        FilePtr file;
        std::unique_ptr<DictionaryDecipher> decipher;  // enciphered files
        std::size_t length = 0;
        std::uint8_t priority = 0;
    };
    std::vector<Taken> taken;
    for (const Source& src : sources) {
        const std::string ext = ExtensionOf(src.name);
        const bool enciphered = ext == "dst";
        if (!enciphered && !(ext == "dct" && allow_plain)) continue;
        if (taken.size() == kMaxDictionaryFiles) {
            ReportError("Prevec slovarskih datotek !");
            break;
        }
        Taken t;
        t.file = OpenFile(src.path, "rb");
        if (!t.file) {
            ReportError("Napaka pri odpiranju datoteke " + src.name);
            continue;
        }
        const std::int64_t size = FileSize(t.file.get());
        if (size < 0) {
            ReportError("Napaka pri odpiranju datoteke " + src.name);
            continue;
        }
        if (enciphered) {
            t.decipher = std::make_unique<DictionaryDecipher>(t.file.get());
            const std::optional<std::size_t> announced = t.decipher->Announce();
            if (!announced) {
                ReportError("Napaka pri odpiranju datoteke " + src.name);
                continue;
            }
            // A length beyond the file is a short read; it is not allocated.
            const auto body = static_cast<std::uint64_t>(size) - kDictionaryCipherHeader;
            t.length = static_cast<std::size_t>(std::min<std::uint64_t>(*announced, body + 1));
        } else {
            t.length = static_cast<std::size_t>(size);
        }
        t.priority = priorities.Of(src.name);
        taken.push_back(std::move(t));
    }
    if (taken.empty()) {
        ReportError("Ni slovarja!");
        return -1;
    }

    std::size_t total = 1;
    for (const Taken& t : taken) total += t.length + 2;
    if (total > std::numeric_limits<std::uint32_t>::max()) {
        ReportError("Napaka pri alokaciji pomnilnika (slovar)");
        return -1;
    }
    try {
        buffer_.assign(total, '\0');
    } catch (const std::bad_alloc&) {
        ReportError("Napaka pri alokaciji pomnilnika (slovar)");
        return -1;
    }

    std::vector<std::size_t> starts;
    std::size_t pos = 0;
    for (std::size_t k = 0; k < taken.size(); ++k) {
        Taken& t = taken[k];
        const std::span<char> into(buffer_.data() + pos, t.length);
        const std::size_t got = t.decipher ? t.decipher->Deliver(into)
                                           : std::fread(into.data(), 1, into.size(), t.file.get());
        if (got < t.length) {
            ReportError("     - Napaka pri branju datoteke " + std::to_string(k));
            Release();
            return -1;
        }
        starts.push_back(pos);
        pos += t.length;
        if (!EndsWithLineEnd(buffer_, starts.back(), pos)) {
            buffer_[pos++] = '\r';
            buffer_[pos++] = '\n';
        }
    }
    buffer_[pos] = '\0';
    std::vector<std::uint8_t> file_priority;
    for (const Taken& t : taken) file_priority.push_back(t.priority);
    taken.clear();  // closes the files

    try {
        entries_.reserve(static_cast<std::size_t>(
            std::count(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos), '\r')));
    } catch (const std::bad_alloc&) {
        ReportError("Napaka pri alokaciji pomnilnika (slovar-kazalci)");
        Release();
        return -1;
    }
    std::size_t file = 0;
    SplitLines(buffer_, pos, [&](std::size_t at) {
        while (file + 1 < starts.size() && at >= starts[file + 1]) ++file;
        entries_.push_back(Item{static_cast<std::uint32_t>(at), file_priority[file]});
    });
    // Stable, so that equal keys keep the listing order: the same order the
    // index builder writes, hence the same answers in both modes.
    std::stable_sort(entries_.begin(), entries_.end(), [this](const Item& a, const Item& b) {
        return std::strcmp(buffer_.data() + a.offset, buffer_.data() + b.offset) < 0;
    });
    return 0;
}

// ---------------------------------------------------------------- lookup

std::optional<std::string_view> Dictionary::Lookup(std::string_view key) const {
    if (entries_.empty()) return std::nullopt;
    std::ptrdiff_t lo = 0;
    std::ptrdiff_t hi = static_cast<std::ptrdiff_t>(entries_.size()) - 1;
    std::ptrdiff_t found = -1;
    while (lo <= hi) {
        const std::ptrdiff_t mid = lo + (hi - lo) / 2;
        const int c = key.compare(KeyAt(static_cast<std::size_t>(mid)));
        if (c == 0) {
            found = mid;
            break;
        }
        if (c < 0)
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    if (found < 0) return std::nullopt;

    auto same = [&](std::ptrdiff_t i) {
        return key.compare(KeyAt(static_cast<std::size_t>(i))) == 0;
    };
    std::ptrdiff_t first = found;
    while (first > 0 && same(first - 1)) --first;
    std::ptrdiff_t chosen = found;
    std::uint8_t best = 0;
    const auto n = static_cast<std::ptrdiff_t>(entries_.size());
    for (std::ptrdiff_t i = first; i < n && same(i); ++i) {
        const std::uint8_t p = entries_[static_cast<std::size_t>(i)].priority;
        if (p > best) {
            best = p;
            chosen = i;
        }
    }
    const char* k = KeyAt(static_cast<std::size_t>(chosen));
    return std::string_view(k + std::strlen(k) + 1);
}

std::optional<DictionaryRun> Dictionary::LookupRun(std::string_view text,
                                                   std::size_t key_limit) const {
    const std::size_t first_end = std::min(text.find(' '), text.size());
    const std::size_t first_length = std::min(first_end, key_limit);
    if (first_length == 0) return std::nullopt;
    std::string key(text.substr(0, first_length));
    const std::optional<std::string_view> hit = Lookup(key);
    if (!hit) return std::nullopt;
    DictionaryRun run{*hit, key.size(), first_length, 1};
    if (first_length < first_end) return run;  // a cut token is not extended

    std::size_t p = first_end;
    while (p < text.size()) {
        std::size_t q = p;
        while (q < text.size() && text[q] == ' ') ++q;
        if (q == text.size()) break;
        const std::size_t end = std::min(text.find(' ', q), text.size());
        if (key.size() + 1 + (end - q) > key_limit) break;
        key += ' ';
        key.append(text.substr(q, end - q));
        const std::optional<std::string_view> longer = Lookup(key);
        if (!longer) break;
        run = DictionaryRun{*longer, key.size(), end, run.tokens + 1};
        p = end;
    }
    return run;
}

Dictionary::EntryView Dictionary::Entry(std::size_t i) const {
    const Item& item = entries_.at(i);
    const char* k = buffer_.data() + item.offset;
    const std::size_t length = std::strlen(k);
    return EntryView{std::string_view(k, length), std::string_view(k + length + 1), item.priority};
}

void Dictionary::Release() {
    buffer_ = {};
    entries_ = {};
}

std::vector<char> BuildIndexImage(const Dictionary& dictionary) {
    const std::size_t n = dictionary.Size();
    std::vector<char> data;
    std::vector<char> index(4 * n);
    std::vector<char> priorities(n);
    auto put32 = [](char* at, std::uint64_t v) {
        for (int i = 0; i < 4; ++i) at[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    for (std::size_t i = 0; i < n; ++i) {
        const Dictionary::EntryView e = dictionary.Entry(i);
        put32(index.data() + 4 * i, data.size());
        data.insert(data.end(), e.key.begin(), e.key.end());
        data.push_back('\0');
        data.insert(data.end(), e.pronunciation.begin(), e.pronunciation.end());
        data.push_back('\0');
        priorities[i] = static_cast<char>(e.priority);
    }
    EncipherIndexBlock(data);
    EncipherIndexBlock(index);
    const std::uint64_t l = data.size();
    std::vector<char> image;
    image.reserve(kIndexHeaderSize + data.size() + index.size() + priorities.size());
    image.resize(kIndexHeaderSize);
    put32(image.data() + 0, kIndexHeaderSize);
    put32(image.data() + 4, l);
    put32(image.data() + 8, l + kIndexHeaderSize);
    put32(image.data() + 12, 4 * n);
    put32(image.data() + 16, 4 * n + l + kIndexHeaderSize);
    put32(image.data() + 20, n);
    image.insert(image.end(), data.begin(), data.end());
    image.insert(image.end(), index.begin(), index.end());
    image.insert(image.end(), priorities.begin(), priorities.end());
    return image;
}

// ---------------------------------------------------------------- phrases

int ComparePhraseKeys(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = FoldAscii(static_cast<unsigned char>(a[i]));
        const unsigned char y = FoldAscii(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

int PhraseList::Load(std::string_view dct_dir) {
    Release();
    std::string dir(dct_dir);
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
    std::vector<char> text;
    for (const std::string& name : ListFiles(dct_dir, ".pdc")) {
        std::optional<std::vector<char>> content = ReadWholeFile(dir + name);
        if (!content) {
            ReportError("Ne morem odpreti " + name);
            continue;
        }
        const std::size_t start = text.size();
        text.insert(text.end(), content->begin(), content->end());
        if (!EndsWithLineEnd(text, start, text.size())) {
            text.push_back('\r');
            text.push_back('\n');
        }
    }
    const std::size_t end = text.size();
    if (end >= std::numeric_limits<std::uint32_t>::max()) {
        ReportError("Napaka pri alokaciji pomnilnika (zloženke-kazalci)");
        return -1;
    }
    text.push_back('\0');
    buffer_ = std::move(text);
    try {
        lines_.reserve(static_cast<std::size_t>(
            std::count(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(end), '\r')));
    } catch (const std::bad_alloc&) {
        ReportError("Napaka pri alokaciji pomnilnika (zloženke-kazalci)");
        Release();
        return -1;
    }
    SplitLines(buffer_, end,
               [this](std::size_t at) { lines_.push_back(static_cast<std::uint32_t>(at)); });
    std::stable_sort(lines_.begin(), lines_.end(), [this](std::uint32_t a, std::uint32_t b) {
        return ComparePhraseKeys(buffer_.data() + a, buffer_.data() + b) < 0;
    });
    return 0;
}

std::optional<std::string_view> PhraseList::Lookup(std::string_view key) const {
    auto it = std::lower_bound(lines_.begin(), lines_.end(), key,
                               [this](std::uint32_t line, std::string_view k) {
                                   return ComparePhraseKeys(buffer_.data() + line, k) < 0;
                               });
    if (it == lines_.end() || ComparePhraseKeys(buffer_.data() + *it, key) != 0)
        return std::nullopt;
    const char* k = buffer_.data() + *it;
    return std::string_view(k + std::strlen(k) + 1);
}

void PhraseList::Release() {
    buffer_ = {};
    lines_ = {};
}

}  // namespace tarvox
