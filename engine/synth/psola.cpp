#include "synth/psola.h"

#include <algorithm>
#include <new>

#include "base/config.h"
#include "base/diag.h"
#include "synth/release_timing.h"

namespace tarvox {

TPsola::TPsola(const Configuration& config)
    : window_table_(MakeWindowTable()), shapes_(window_table_) {
    Load(config.ResolvePath(kVoiceDatabaseFile), config.ResolvePath(kCostFile),
         config.switches().vzorci_v_pomnilniku);
    follow_plan_ = config.switches().trajanje_po_nacrtu;
    join_vowel_halves_ = config.switches().zdruzi_polovici_samoglasnika;
}

TPsola::TPsola(std::string_view database_path, std::string_view cost_path, bool samples_in_memory)
    : window_table_(MakeWindowTable()), shapes_(window_table_) {
    Load(database_path, cost_path, samples_in_memory);
}

TPsola::~TPsola() = default;

void TPsola::Load(std::string_view database_path, std::string_view cost_path,
                  bool samples_in_memory) {
    if (InitTables(database_path, cost_path, samples_in_memory, tables_) != 0) {
        tables_.Release();
        constexpr char kMessage[] =
            "TPsola::TPsola>>Could not initialize the database>>Error calling InitTables function "
            "to read the wave database";
        ReportError(kMessage);
        throw PsolaInitError(kMessage);
    }
}

int TPsola::Init(std::span<const PhonemeRecord> records) {
    return InitAlophones(records, tables_, units_, alophones_);
}

std::optional<std::vector<SelectedUnit>> TPsola::MakeSentence(std::span<const std::uint8_t> sentence) const {
    return tarvox::MakeSentence(sentence, tables_);
}

void TPsola::Glue() { GlueAlophones(alophones_, tables_.db); }

int TPsola::Run(std::span<const PhonemeRecord> records) {
    sample_count_ = 0;
    if (records.empty()) return -1;
    int result = -1;
    try {
        if (join_vowel_halves_) {
            const std::vector<PhonemeRecord> joined = JoinVowelHalves(records);
            result = Init(joined);
        } else {
            result = Init(records);
        }
        Glue();
        if (follow_plan_) FitReleasesIntoClosures(alophones_, tables_.db.Windows());
        if (Render() != 0) return -1;
    } catch (const std::bad_alloc&) {
        ReportError("TPsola::Synthesis>>Out of memory>>The sentence could not be synthesised");
        sample_count_ = 0;
        return -1;
    }
    return result;
}

int TPsola::Render() {
    tables_.db.CheckSamplesFile();
    const VoiceDatabase& db = tables_.db;
    const RenderPlan plan = PlanSentence(alophones_, db.Windows(), window_scale_, follow_plan_);
    const auto need = static_cast<std::size_t>(plan.BufferNeed());
    const std::size_t capacity = NextCapacity(output_.size(), need);
    if (capacity != output_.size()) {
        // A fresh buffer of exactly the new capacity (a shrink frees memory).
        std::vector<std::int16_t>().swap(output_);
        output_.resize(capacity);
    }
    std::fill_n(output_.begin(), need, std::int16_t{0});

    const std::span<std::int16_t> out(output_);
    const std::span<const std::int16_t> memory = db.Samples();
    for (const WindowPlacement& w : plan.windows) {
        const std::size_t width = 2 * static_cast<std::size_t>(w.half) + 1;
        const std::int64_t first = static_cast<std::int64_t>(w.src_center) - w.half;
        std::span<const std::int16_t> src;
        if (db.SamplesInMemory()) {
            if (first < 0 || first + static_cast<std::int64_t>(width) > static_cast<std::int64_t>(memory.size())) {
                ReportError("TPsola::Synthesis>>Samples out of range>>A window reaches outside the "
                            "samples of the wave database");
                return -1;
            }
            src = memory.subspan(static_cast<std::size_t>(first), width);
        } else {
            scratch_.resize(width);
            if (!db.FetchSamples(first, scratch_)) return -1;
            src = scratch_;
        }
        OverlapAdd(out.subspan(static_cast<std::size_t>(w.out_center - w.half), width), src,
                   shapes_.Row(w.half));
    }
    sample_count_ = static_cast<std::size_t>(plan.length);
    return 0;
}

std::span<const std::int16_t> TPsola::Samples() const {
    return std::span<const std::int16_t>(output_).first(std::min(sample_count_, output_.size()));
}

}  // namespace tarvox
