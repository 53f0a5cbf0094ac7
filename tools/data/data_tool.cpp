#include "data_tool.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <memory>

#include "base/diag.h"
#include "voice_builder.h"
#include "voice_registration.h"

namespace tarvox::data {

std::string ReplaceExtension(const std::string& path, const std::string& extension) {
    std::filesystem::path p(path);
    p.replace_extension(extension);
    return p.string();
}

int ReportWritten(const std::string& error, const std::string& what) {
    if (!error.empty()) {
        std::cerr << "tarvox-data: " << error << "\n";
        return 1;
    }
    std::cout << "wrote " << what << "\n";
    return 0;
}

namespace {

// The subcommands, each with its arguments (kept alive by the callback) and
// the function that runs it.
void AddCommands(CLI::App& app, int& status) {
    auto enc = std::make_shared<EncipherArgs>();
    CLI::App* e = app.add_subcommand("encipher-dictionary",
                                     "Encipher a plain dictionary (.dct) into the .dst form");
    e->add_option("input", enc->input, "plain dictionary file")->required();
    e->add_option("-o,--output", enc->output, "enciphered file (default: input with .dst)");
    e->callback([enc, &status] { status = RunEncipherDictionary(*enc); });

    auto idx = std::make_shared<BuildIndexOptions>();
    CLI::App* b = app.add_subcommand(
        "build-index", "Build the dictionary index (QuenlarOrin.ndx) from dictionary sources");
    b->add_option("sources", idx->sources, "dictionary files (.dct, .dst) and directories")
        ->required();
    b->add_option("-p,--priority", idx->priorities,
                  "dictionary file name, highest priority first (repeatable)")
        ->allow_extra_args(false);
    b->add_option("--profile", idx->profile,
                  "converter profile whose prioriteta_slovarjev gives the priorities");
    b->add_option("-o,--output", idx->output, "index file to write")->required();
    b->callback([idx, &status] { status = RunBuildIndex(*idx); });

    auto prof = std::make_shared<EncipherArgs>();
    CLI::App* p = app.add_subcommand("encipher-profile",
                                     "Encipher a plain profile (.ini) into the .ins form");
    p->add_option("input", prof->input, "plain profile")->required();
    p->add_option("-o,--output", prof->output, "enciphered profile (default: input with .ins)");
    p->callback([prof, &status] { status = RunEncipherProfile(*prof); });

    auto build = std::make_shared<BuildDatabaseArgs>();
    CLI::App* d = app.add_subcommand("build-database", "build the voice database and Cost.dat from recordings");
    d->add_option("inputs", build->inputs, "sound files or directories (labels beside them)")->required();
    d->add_option("-o,--output", build->voice_dir, "voice directory")->required();
    d->add_option("--peak", build->peak, "loudest sample after levelling (0: as recorded)");
    d->add_option("--inventory", build->inventory, "converter profile whose Nabor_fonemov is checked");
    d->add_option("--text", build->text, "phoneme strings whose missing diphones are listed");
    d->add_option("--show", build->show, "missing diphones listed at most");
    d->callback([build, &status] { status = RunBuildDatabase(*build); });

    auto corpus = std::make_shared<RecordCorpusArgs>();
    CLI::App* c = app.add_subcommand("record-corpus", "choose and record the synthetic corpus with eSpeak NG");
    c->add_option("lexicon", corpus->lexicon, "pronouncing lexicon (word<TAB>IPA)")->required();
    c->add_option("output", corpus->out, "directory for the recordings")->required();
    c->add_option("--seconds", corpus->options.max_seconds, "speech budget in seconds");
    c->add_option("--pitch", corpus->options.pitch, "eSpeak base pitch 0-100");
    c->add_option("--rate", corpus->options.rate, "eSpeak rate in words a minute");
    c->add_option("--voice", corpus->options.voice, "eSpeak voice and speaker variant (default sl, e.g. sl+f3)");
    c->callback([corpus, &status] { status = RunRecordCorpus(*corpus); });

    auto reg = std::make_shared<RegisterVoicesArgs>();
    CLI::App* r = app.add_subcommand(
        "register-voices",
        "Register the bundled voices as voice tokens (in the TARVOX_REGISTRY file or a .reg file)");
    r->add_option("--voices-dir", reg->voices_dir,
                  "directory where the voice directories lie (written as given into \"Path\")")
        ->required();
    r->add_option("--manifests", reg->manifests,
                  "directory of the voice directories whose voice.ini is read (default: --voices-dir)");
    r->add_option("--reg-file", reg->reg_file, "write a .reg file instead of the registry file");
    r->add_option("--nsis", reg->nsis_file,
                  "write an NSIS include (macros TarvoxWriteVoiceTokens, TarvoxDeleteVoiceTokens) "
                  "instead of the registry file; --voices-dir may then start with an NSIS variable "
                  "($INSTDIR\\voices)");
    r->callback([reg, &status] { status = RunRegisterVoices(*reg); });
}

}  // namespace

int RunDataTool(int argc, const char* const* argv) {
    CLI::App app{"tarvox-data: builds and converts the data files of a tarvox voice"};
    app.require_subcommand(1);
    int status = 0;
    AddCommands(app, status);
    // Messages of the engine's loaders (skipped files and the like) are
    // shown as they are reported.
    SetTraceHook([](std::string_view text) { std::cerr << "tarvox-data: " << text << "\n"; });
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        SetTraceHook({});
        return app.exit(e);
    }
    SetTraceHook({});
    return status;
}

}  // namespace tarvox::data
