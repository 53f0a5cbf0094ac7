#include <cstring>
#include <iostream>

#include "commands.h"
#include "data_tool.h"

int main(int argc, char** argv) {
    // The language data of a pronouncing lexicon (dictionary, stats,
    // evaluate) share the tool's command line.
    if (argc > 1 && tarvox::langdata::IsLangdataCommand(argv[1]))
        return tarvox::langdata::RunLangdataTool(
            argc, argv, "tarvox-data: language data of a voice from its pronouncing lexicon");
    const int status = tarvox::data::RunDataTool(argc, argv);
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0))
        std::cout << "Language data from a pronouncing lexicon (see tarvox-data COMMAND --help):\n"
                     "  dictionary                  derive a dictionary (without held-out words)\n"
                     "  stats                       derive the six syllable statistics tables\n"
                     "  evaluate                    measure the converter on lexicon words\n";
    return status;
}
