// Pronunciation dictionaries and the phrase lists of the converter.
//
// A dictionary is one text buffer with all entries and an array of entries
// sorted by key. In the buffer every entry is its key, a NUL, its
// pronunciation and a NUL. Each entry carries a priority byte: the file it
// came from decides it (see DictionaryPriorities). A key may occur several
// times; the lookup prefers the highest priority.
//
// The dictionaries come from one of two sources per initialisation:
// - the dictionary files of the dictionary directory: "*.dst" (enciphered,
//   see dictionary_cipher.h) and, when plain dictionaries are allowed,
//   "*.dct" (plain text). Lines are "key<TAB>pronunciation<CR><LF>"; a
//   further tab ends the pronunciation. At most 40 files are taken.
// - the index file ".\data\QuenlarOrin.ndx", a pre-built image of the sorted
//   entries (layout below), which loads without sorting.
//
// Index file (all numbers 32-bit little-endian):
//   0  data offset (24)          4  data length L
//   8  index offset (L + 24)     12 index length 4 * N
//   16 priority offset           20 priority length N
//   24 data block: "key\0pronunciation\0" per entry in sorted order, enciphered
//   24 + L: index block, N key offsets into the data block, enciphered
//   24 + L + 4N: priority block, N bytes, plain
// The reader uses the fields at 4, 12 and 20 and checks every offset against
// the data block (a corrupt index fails the load instead of being trusted).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

class Configuration;
class Profile;

inline constexpr std::size_t kMaxDictionaryFiles = 40;
inline constexpr std::size_t kIndexHeaderSize = 24;
// The index file, resolved against the base directory.
inline constexpr char kDictionaryIndexName[] = ".\\data\\QuenlarOrin.ndx";
// Longest key (bytes) that word conversion builds from a run of tokens.
inline constexpr std::size_t kDictionaryKeyLimit = 64;

// File names of "prioriteta_slovarjev" in profile order. With n names the
// first gets priority n, the next n - 1, ... down to 1; an unlisted file 0.
// Names are compared without regard to case.
class DictionaryPriorities {
  public:
    DictionaryPriorities() = default;
    explicit DictionaryPriorities(std::vector<std::string> names) : names_(std::move(names)) {}
    // Reads "prioriteta_slovarjev" (tab-separated) from the converter
    // profile; a missing key gives no priorities. The profile's value is cut
    // into items in place (as every list lookup does).
    static DictionaryPriorities FromProfile(Profile& profile);

    std::uint8_t Of(std::string_view file_name) const;
    const std::vector<std::string>& Names() const { return names_; }

  private:
    std::vector<std::string> names_;
};

// What the loader needs; no part of it reaches into the converter.
struct DictionarySettings {
    std::string dct_dir;              // directory of "*.dst" / "*.dct"
    std::string index_path;           // the resolved index file
    bool read_index = true;           // index mode (dovoli_uporabniske_slovarje)
    bool allow_plain = false;         // dovoli_nesifrirane_slovarje
    DictionaryPriorities priorities;  // file mode only

    // From sint.ini (directory, switches, the index file resolved against
    // the base directory) and the converter profile (priorities).
    static DictionarySettings From(const Configuration& config, Profile& gfp_profile);
};

// A dictionary match of a run of tokens (see Dictionary::LookupRun).
struct DictionaryRun {
    std::string_view pronunciation;
    std::size_t key_length = 0;  // bytes of the key that matched
    std::size_t consumed = 0;    // bytes of the text covered by the run
    std::size_t tokens = 0;      // tokens in the run (1 or more)
};

class Dictionary {
  public:
    struct EntryView {
        std::string_view key;
        std::string_view pronunciation;
        std::uint8_t priority = 0;
    };

    // pripravi_slovar: index mode or file mode by the settings. 0, or -1
    // after an error (the dictionary is then empty).
    int Load(const DictionarySettings& settings);

    // Index mode. -1 when the file cannot be opened, or after reporting
    // "napacna dolzina: ..." or a corrupt block; an index of 24 bytes or less
    // is an empty dictionary (0).
    int LoadIndex(std::string_view index_path);

    // File mode over the sorted listing of a directory.
    int LoadFiles(std::string_view dct_dir, bool allow_plain,
                  const DictionaryPriorities& priorities);

    // File mode over named files (paths), in the given order; the tools use
    // it to build an index from chosen sources. Files are taken by their
    // extension exactly as in a directory listing.
    int LoadFileList(std::span<const std::string> paths, bool allow_plain,
                     const DictionaryPriorities& priorities);

    // Pronunciation of the key (compared bytewise, exactly), or none.
    std::optional<std::string_view> Lookup(std::string_view key) const;

    // The longest run of tokens of `text` (tokens end at blanks; runs of
    // blanks between tokens count as one) whose key - the tokens joined by
    // single blanks, at most `key_limit` bytes - is an entry, where each
    // shorter run was an entry too. The first token alone is cut to
    // key_limit bytes; a run is not extended by a token that does not fit
    // whole. None when the first token is not an entry.
    std::optional<DictionaryRun> LookupRun(std::string_view text,
                                           std::size_t key_limit = kDictionaryKeyLimit) const;

    std::size_t Size() const { return entries_.size(); }
    bool Empty() const { return entries_.empty(); }
    // Entries in sorted order (for the index builder and tests).
    EntryView Entry(std::size_t i) const;

    // Frees the buffer and the entries.
    void Release();

  private:
    struct Item {
        std::uint32_t offset;  // key start in buffer_
        std::uint8_t priority;
    };
    struct Source {
        std::string path;
        std::string name;
    };
    int LoadSources(const std::vector<Source>& sources, bool allow_plain,
                    const DictionaryPriorities& priorities);
    const char* KeyAt(std::size_t i) const { return buffer_.data() + entries_[i].offset; }

    std::vector<char> buffer_;
    std::vector<Item> entries_;
};

// The index file image of a loaded dictionary: its entries in their sorted
// order with their priorities, in the layout that LoadIndex reads. The
// index builder of the tools writes it; loading it gives the same answers.
std::vector<char> BuildIndexImage(const Dictionary& dictionary);

// The phrase lists ("*.pdc"): lines "key<TAB>replacement<CR><LF>" from all
// lists of the dictionary directory, sorted by key without regard to case
// (ASCII letters).
class PhraseList {
  public:
    // pripravi_zlozenke: 0, or -1 after an error.
    int Load(std::string_view dct_dir);
    // Replacement of the key (compared without regard to case), or none.
    std::optional<std::string_view> Lookup(std::string_view key) const;
    std::size_t Size() const { return lines_.size(); }
    void Release();

  private:
    std::vector<char> buffer_;
    std::vector<std::uint32_t> lines_;  // key offsets, sorted
};

// Case-insensitive byte order of the phrase lists (ASCII letters folded).
int ComparePhraseKeys(std::string_view a, std::string_view b);

}  // namespace tarvox
