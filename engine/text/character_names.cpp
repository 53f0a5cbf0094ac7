#include "text/character_names.h"

#include <array>

namespace tarvox {
namespace {

struct CharacterNameEntry {
    unsigned char character;  // Windows-1250
    const char* name;         // SAMPA
};

constexpr CharacterNameEntry kNames[] = {
    // Letters, both cases.
    {'a', "a"}, {'A', "a"},
    {'b', "b@"}, {'B', "b@"},
    {'c', "ts@"}, {'C', "ts@"},
    {0xE8, "tS@"}, {0xC8, "tS@"},                 // c, C with caron
    {0xE6, "mE:hki tS@"}, {0xC6, "mE:hki tS@"},   // c, C with acute
    {'d', "d@"}, {'D', "d@"},
    {0xF0, "dZ@"}, {0xD0, "dZ@"},                 // d, D with stroke
    {'e', "E:"}, {'E', "E:"},
    {'f', "f@"}, {'F', "f@"},
    {'g', "g@"}, {'G', "g@"},
    {'h', "h@"}, {'H', "h@"},
    {'i', "i"}, {'I', "i"},
    {'j', "j@"}, {'J', "j@"},
    {'k', "k@"}, {'K', "k@"},
    {'l', "l@"}, {'L', "l@"},
    {'m', "m@"}, {'M', "m@"},
    {'n', "n@"}, {'N', "n@"},
    {'o', "O:"}, {'O', "O:"},
    {'p', "p@"}, {'P', "p@"},
    {'q', "ku"}, {'Q', "ku"},
    {'r', "rr@"}, {'R', "rr@"},
    {'s', "s@"}, {'S', "s@"},
    {0x9A, "S@"}, {0x8A, "S@"},                   // s, S with caron
    {'t', "t@"}, {'T', "t@"},
    {'u', "u"}, {'U', "u"},
    {'v', "v@"}, {'V', "v@"},
    {'w', "dvo:Ini v@"}, {'W', "dvo:Ini v@"},
    {'x', "iks"}, {'X', "iks"},
    {'y', "ipsi:lOn"}, {'Y', "ipsi:lOn"},
    {'z', "z@"}, {'Z', "z@"},
    {0x9E, "Z@"}, {0x8E, "Z@"},                   // z, Z with caron
    // Symbols.
    {'~', "ti:lda"},
    {'(', "prE:tklEpaI"},
    {')', "za:klEpaI"},
    {'{', "zavi:ti prE:tklEpaI"},
    {'}', "zavi:ti za:klEpaI"},
    {'[', "Ogla:ti prE:tklEpaI"},
    {']', "Ogla:ti za:klEpaI"},
    {'@', "a:fna"},
    {0x60, "krati:vEts"},
    {'^', "stre:Sitsa"},
    {'"', "narEkOva:I"},
    {'$', "do:lar"},
    {'%', "prOtsE:nt"},
    {'&', "in"},
    {',', "vE:jitsa"},
    {'.', "pi:ka"},
    {'*', "kra:t"},
    {'+', "plu:s"},
    {'/', "pOSe:Unitsa"},
    {'\\', "pOwra:tna pOSe:Unitsa"},
    {'<', "jEma:nSEOd"},
    {'=', "jEEna:kO"},
    {'>', "jEve:tSjEOd"},
    {';', "pO:tpitSjE"},
    {':', "dvo:pitSjE"},
    {'\'', "apOstro:f"},
    {'-', "mi:nus"},
    {'_', "pO:ttSrtaI"},
    {'#', "lo:Itra"},
    {'|', "pOkO:ntSnitsa"},
    {'!', "klitssa:I"},
    {'?', "Wpra:SaI"},
    // Digits.
    {'1', "E:na"}, {'2', "dva:"}, {'3', "tri:"}, {'4', "Sti:ri"}, {'5', "pe:t"},
    {'6', "Se:st"}, {'7', "se:dEm"}, {'8', "o:sEm"}, {'9', "dEve:t"}, {'0', "ni:tS"},
};

}  // namespace

const char* CharacterNameOf(unsigned char c) {
    for (const CharacterNameEntry& entry : kNames) {
        if (entry.character == c) return entry.name;
    }
    return ".";
}

}  // namespace tarvox
