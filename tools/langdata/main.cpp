// tarvox-langdata: builds the language data of a voice from its pronouncing
// lexicon and measures the converter on the lexicon's held-out words (the
// same subcommands as "tarvox-data dictionary|stats|evaluate").
#include "commands.h"

int main(int argc, char** argv) {
    return tarvox::langdata::RunLangdataTool(
        argc, argv, "Language data of a tarvox voice from its pronouncing lexicon");
}
