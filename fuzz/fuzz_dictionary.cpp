// The dictionaries: an index file, or a directory with one dictionary file
// (plain or enciphered), and lookups in what loaded.
#include <cstdint>
#include <filesystem>

#include "fuzz_support.h"
#include "lexicon/dictionary.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view bytes = tarvox::fuzz::Bytes(data + 1, size - 1);
    tarvox::Dictionary dictionary;
    if (data[0] & 1) {
        (void)dictionary.LoadIndex(tarvox::fuzz::ScratchFile("index.bin", bytes));
    } else {
        const std::filesystem::path dir = tarvox::fuzz::ScratchDir() / "dct";
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        tarvox::fuzz::ScratchFile((data[0] & 2) ? "dct/a.dct" : "dct/a.dst", bytes);
        (void)dictionary.LoadFiles(dir.string() + "/", true, tarvox::DictionaryPriorities());
    }
    for (const char* key : {"a", "dan", "beseda", ""}) (void)dictionary.Lookup(key);
    return 0;
}
