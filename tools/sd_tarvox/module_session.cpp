#include "module_session.h"

#include "manifest/voice_manifest.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <utility>

namespace tarvox::sd {
namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// One protocol line cannot hold a line end.
std::string OneLine(std::string_view s) {
    std::string out(s);
    std::replace_if(out.begin(), out.end(), [](char c) { return c == '\n' || c == '\r' || c == '\0'; }, ' ');
    return out;
}

constexpr std::size_t kMaxMessage = 8u << 20;  // bytes of one message's text

}  // namespace

void FdSink::Write(std::string_view bytes) {
    while (!bytes.empty() && !broken_) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            broken_ = true;
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

ModuleConfig ReadModuleConfig(const std::string& path) {
    namespace fs = std::filesystem;
    ModuleConfig config;
    if (path.empty()) return config;
    std::ifstream in(path);
    if (!in) {
        config.problems.push_back("cannot read the configuration file " + path);
        return config;
    }
    const fs::path base = fs::path(path).parent_path();
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        std::string_view line = Trim(raw);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        std::size_t k = 0;
        while (k < line.size() && line[k] != ' ' && line[k] != '\t') ++k;
        const std::string key = Lower(line.substr(0, k));
        std::string_view value = Trim(line.substr(k));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (key == "tarvoxvoicedirectory") {
            if (value.empty()) continue;
            fs::path dir(value);
            if (dir.is_relative()) dir = base / dir;
            config.voice_directory = dir.lexically_normal().string();
            while (config.voice_directory.size() > 1 && config.voice_directory.back() == '/')
                config.voice_directory.pop_back();
        } else if (key == "tarvoxdefaultvoice") {
            config.default_voice = std::string(value);
        } else {
            config.problems.push_back(path + ":" + std::to_string(number) + ": unknown key " +
                                      std::string(line.substr(0, k)));
        }
    }
    return config;
}

std::vector<VoiceEntry> FindVoices(const std::string& voice_directory) {
    namespace fs = std::filesystem;
    std::vector<VoiceEntry> voices;
    if (voice_directory.empty()) return voices;
    const fs::path dir = fs::path(voice_directory).lexically_normal();
    const fs::path own = dir.filename().empty() ? dir.parent_path() : dir;
    bool own_listed = false;
    for (const VoiceManifest& m : tarvox::FindVoices(own.parent_path().string())) {
        const fs::path candidate = fs::path(m.directory).lexically_normal();
        if (candidate == own) own_listed = true;
        voices.push_back({m.name, candidate.string(), m.language, m.gender});
    }
    std::error_code ec;
    if (!own_listed && fs::is_directory(own, ec)) {
        VoiceEntry entry{own.filename().string(), own.string(), "sl", ""};
        if (const auto m = ReadVoiceManifest(own.string()))
            entry = {m->name, own.string(), m->language, m->gender};
        voices.push_back(std::move(entry));
    }
    return voices;
}

ModuleSession::ModuleSession(OutputSink& out, SessionOptions options)
    : sink_(out), options_(std::move(options)) {}

ModuleSession::~ModuleSession() {
    StopSpeaking();
    if (voice_) tarvox_close(voice_);
}

void ModuleSession::BeginCommand() {
    std::lock_guard<std::mutex> lock(out_mutex_);
    in_command_ = true;
}

void ModuleSession::Reply(std::string_view lines) {
    std::lock_guard<std::mutex> lock(out_mutex_);
    sink_.Write(lines);
}

void ModuleSession::EndCommand() {
    std::lock_guard<std::mutex> lock(out_mutex_);
    in_command_ = false;
    if (!held_.empty()) {
        sink_.Write(held_);
        held_.clear();
    }
}

std::size_t ModuleSession::HeldBytes() {
    std::lock_guard<std::mutex> lock(out_mutex_);
    return held_.size();
}

void ModuleSession::Event(std::string_view bytes) {
    std::lock_guard<std::mutex> lock(out_mutex_);
    if (in_command_)
        held_ += bytes;
    else
        sink_.Write(bytes);
}

void ModuleSession::Log(int level, std::string_view message) const {
    if (level <= log_level_) std::cerr << "sd_tarvox: " << message << std::endl;
}

void ModuleSession::Run(std::istream& in) {
    LineReader reader(in);
    while (Handle(reader)) {
    }
}

bool ModuleSession::Handle(LineReader& in) {
    const std::optional<std::string> line = in.Next();
    if (!line) {
        StopSpeaking();
        return false;
    }
    const std::string command(Trim(*line));
    if (!in.truncated()) {
        // STOP and PAUSE get no reply. STOP waits for the worker, so its 703
        // leaves before the next command is read.
        if (command == "STOP") {
            StopSpeaking();
            return true;
        }
        if (command == "PAUSE") {
            if (worker_.joinable()) pause_ = true;
            return true;
        }
        static constexpr std::pair<std::string_view, Kind> kMessages[] = {
            {"SPEAK", Kind::kText}, {"CHAR", Kind::kChar}, {"KEY", Kind::kKey},
            {"SOUND_ICON", Kind::kIcon}};
        for (const auto& [name, kind] : kMessages) {
            if (command == name) {
                Speak(in, kind);
                return true;
            }
        }
        if (command == "QUIT") {
            StopSpeaking();
            BeginCommand();
            Reply("210 OK QUIT\n");
            EndCommand();
            return false;
        }
    }
    BeginCommand();
    if (in.truncated()) {
        Reply("300 ERR UNKNOWN COMMAND\n");
    } else if (command == "INIT") {
        Init();
    } else if (command == "AUDIO") {
        ReadParameters(in, "207 OK RECEIVING AUDIO SETTINGS\n", true, false);
    } else if (command == "LOGLEVEL") {
        ReadParameters(in, "207 OK RECEIVING LOGLEVEL SETTINGS\n", false, true);
    } else if (command == "LIST VOICES") {
        ListVoices();
    } else if (command == "SET") {
        Set(in);
    } else if (command.starts_with("DEBUG ON") || command == "DEBUG OFF") {
        Reply(command == "DEBUG OFF" ? "200 OK DEBUGGING OFF\n" : "200 OK DEBUGGING ON\n");
    } else {
        Reply("300 ERR UNKNOWN COMMAND\n");
    }
    EndCommand();
    return true;
}

void ModuleSession::Init() {
    config_ = ReadModuleConfig(options_.config_file);
    for (const std::string& p : config_.problems) Log(2, p);
    const std::string dir = config_.voice_directory.empty() ? options_.default_voice_directory
                                                             : config_.voice_directory;
    voices_ = FindVoices(dir);
    if (voice_) {
        Reply("299-tarvox: voice " + OneLine(open_directory_) + " already loaded\n299 OK LOADED SUCCESSFULLY\n");
        return;
    }
    tarvox_voice* voice = nullptr;
    const tarvox_status status = dir.empty() ? TARVOX_ERR_VOICE : tarvox_open(dir.c_str(), &voice);
    if (status != TARVOX_OK) {
        std::string reason = dir.empty() ? std::string("no voice directory configured")
                                         : std::string(tarvox_last_error(nullptr));
        if (reason.empty()) reason = tarvox_status_message(status);
        Log(1, "cannot load the voice: " + reason);
        Reply("399-tarvox: cannot load the voice: " + OneLine(reason) + "\n399 ERR CANT INIT MODULE\n");
        return;
    }
    voice_ = voice;
    open_directory_ = dir;
    init_directory_ = dir;
    Reply("299-tarvox: voice " + OneLine(dir) + " loaded\n299 OK LOADED SUCCESSFULLY\n");
}

void ModuleSession::ReadParameters(LineReader& in, std::string_view first_reply, bool audio,
                                   bool loglevel) {
    Reply(first_reply);
    bool syntax = true, valid = true;
    std::string method;
    for (;;) {
        const std::optional<std::string> line = in.Next();
        if (!line || *line == ".") break;
        const std::size_t eq = line->find('=');
        if (eq == std::string::npos || eq == 0 || in.truncated()) {
            syntax = false;
            continue;
        }
        const std::string key = line->substr(0, eq);
        const std::string value = line->substr(eq + 1);
        if (audio && key == "audio_output_method") method = value;
        if (loglevel && key == "log_level") {
            int level = 0;
            try {
                level = std::stoi(value);
            } catch (const std::exception&) {
                valid = false;
                continue;
            }
            log_level_ = std::clamp(level, 0, 5);
        }
    }
    if (!syntax) {
        Reply("302 ERROR BAD SYNTAX\n");
    } else if (!valid) {
        Reply("303 ERROR INVALID PARAMETER OR VALUE\n");
    } else if (audio && method != "server") {
        Reply("300-tarvox sends its audio to the server only (audio_output_method=server), not \"" +
              OneLine(method) + "\"\n300 MODULE ERROR\n");
    } else if (audio) {
        audio_ready_ = true;
        Reply("203 OK AUDIO INITIALIZED\n");
    } else {
        Reply("203 OK LOGLEVEL SET\n");
    }
}

void ModuleSession::ListVoices() {
    if (voices_.empty()) {
        config_ = ReadModuleConfig(options_.config_file);
        voices_ = FindVoices(config_.voice_directory.empty() ? options_.default_voice_directory
                                                             : config_.voice_directory);
    }
    if (voices_.empty()) {
        Reply("304 CANT LIST VOICES\n");
        return;
    }
    std::string lines;
    for (const VoiceEntry& v : voices_)
        lines += "200-" + OneLine(v.name) + "\t" + OneLine(v.language) + "\tnone\n";
    lines += "200 OK VOICE LIST SENT\n";
    Reply(lines);
}

void ModuleSession::Set(LineReader& in) {
    Reply("203 OK RECEIVING SETTINGS\n");
    bool syntax = true, valid = true;
    for (;;) {
        const std::optional<std::string> line = in.Next();
        if (!line || *line == ".") break;
        const std::size_t eq = line->find('=');
        if (eq == std::string::npos || eq == 0 || in.truncated()) {
            syntax = false;
            continue;
        }
        const std::string key = line->substr(0, eq);
        const std::string value = line->substr(eq + 1);
        auto level = [&](int& target) {
            if (const auto v = ParseLevel(value))
                target = *v;
            else
                valid = false;
        };
        if (key == "rate") {
            level(rate_);
        } else if (key == "pitch") {
            level(pitch_);
        } else if (key == "volume") {
            level(volume_);
        } else if (key == "pitch_range") {
            int ignored = 0;
            level(ignored);  // the engine has no pitch range of its own
        } else if (key == "punctuation_mode") {
            if (value == "none") punctuation_ = Punctuation::kNone;
            else if (value == "some") punctuation_ = Punctuation::kSome;
            else if (value == "most") punctuation_ = Punctuation::kMost;
            else if (value == "all") punctuation_ = Punctuation::kAll;
            else valid = false;
        } else if (key == "spelling_mode") {
            if (value == "on" || value == "off") spelling_ = value == "on";
            else valid = false;
        } else if (key == "cap_let_recogn") {
            // No sound icons here: "icon" is said like "spell".
            if (value == "none" || value == "spell" || value == "icon") spell_capitals_ = value != "none";
            else valid = false;
        } else if (key == "voice") {
            voice_type_ = Lower(value);
        } else if (key == "synthesis_voice") {
            synthesis_voice_ = value == "NULL" ? std::string() : value;
        } else if (key == "language") {
            language_ = value;  // every language is read as Slovenian
        }
        // Other keys of newer servers are accepted and have no effect.
    }
    if (!syntax)
        Reply("302 ERROR BAD SYNTAX\n");
    else if (!valid)
        Reply("303 ERROR INVALID PARAMETER OR VALUE\n");
    else
        Reply("203 OK SETTINGS RECEIVED\n");
}

std::optional<std::string> ModuleSession::ReadMessage(LineReader& in) {
    std::string text;
    bool first = true;
    for (;;) {
        std::optional<std::string> line = in.Next();
        if (!line) return std::nullopt;
        if (*line == ".") break;
        if (in.truncated()) Log(2, "a message line longer than 1 MiB was cut");
        if (!line->empty() && line->front() == '.') line->erase(0, 1);
        if (text.size() + line->size() + 1 > kMaxMessage) {
            Log(2, "a message longer than 8 MiB was cut");
            continue;
        }
        if (!first) text.push_back('\n');
        first = false;
        text += *line;
    }
    std::replace(text.begin(), text.end(), '\0', ' ');
    return text;
}

ModuleSession::Job ModuleSession::MakeJob(const std::string& message, Kind kind) const {
    Job job;
    job.settings = {MapRateOrPitch(rate_), MapRateOrPitch(pitch_), MapVolume(volume_)};
    if (kind == Kind::kIcon) {
        job.icon = OneLine(Trim(message));
        return job;
    }
    PlainText plain = StripSsml(message);
    auto spell = [&](const std::string& ch, std::vector<TextMark> marks) {
        if (spell_capitals_ && IsCapital(ch)) {
            job.pieces.push_back({"velika", std::move(marks)});
            job.pieces.push_back({ch, {}});
        } else {
            job.pieces.push_back({ch, std::move(marks)});
        }
    };
    if (kind == Kind::kChar) {
        const std::string_view ch = Trim(plain.text);
        if (ch.empty() || ch == "space")
            job.pieces.push_back({"presledek", std::move(plain.marks)});
        else
            spell(std::string(ch), std::move(plain.marks));
        return job;
    }
    if (kind == Kind::kKey) {
        const std::vector<std::string> keys = KeyPieces(Trim(plain.text));
        for (std::size_t i = 0; i < keys.size(); ++i)
            spell(keys[i], i == 0 ? std::move(plain.marks) : std::vector<TextMark>{});
        return job;
    }
    if (spelling_) {
        // Character by character; a mark goes before the character it precedes.
        std::size_t next_mark = 0;
        std::size_t offset = 0;
        for (const std::string& ch : Characters(plain.text)) {
            offset = plain.text.find(ch, offset);
            std::vector<TextMark> marks;
            while (next_mark < plain.marks.size() && plain.marks[next_mark].position <= offset)
                marks.push_back({0, plain.marks[next_mark++].name});
            spell(ch, std::move(marks));
            offset += ch.size();
        }
        std::vector<TextMark> rest;
        while (next_mark < plain.marks.size()) rest.push_back({0, plain.marks[next_mark++].name});
        if (!rest.empty()) job.pieces.push_back({"", std::move(rest)});
        return job;
    }
    job.pieces.push_back({std::move(plain.text), {}});
    PlainText named = NamePunctuation({job.pieces.back().text, std::move(plain.marks)}, punctuation_);
    job.pieces.back() = {std::move(named.text), std::move(named.marks)};
    return job;
}

bool ModuleSession::UseVoiceFor() {
    std::string wanted;
    auto directory_of = [&](std::string_view name) -> std::string {
        for (const VoiceEntry& v : voices_)
            if (Lower(v.name) == Lower(name)) return v.directory;
        return "";
    };
    if (!synthesis_voice_.empty()) wanted = directory_of(synthesis_voice_);
    if (wanted.empty() && voice_type_.find("female") != std::string::npos)
        for (const VoiceEntry& v : voices_)
            if (v.gender == "female") {
                wanted = v.directory;
                break;
            }
    if (wanted.empty() && !config_.default_voice.empty()) wanted = directory_of(config_.default_voice);
    if (wanted.empty()) wanted = init_directory_;
    if (wanted.empty() || wanted == open_directory_) return voice_ != nullptr;
    // The other voice is opened beside the old one, which is closed only
    // when the new one speaks: a voice that cannot start leaves the old.
    tarvox_voice* v = nullptr;
    if (tarvox_open(wanted.c_str(), &v) != TARVOX_OK) {
        Log(1, "cannot switch to the voice " + wanted + ": " + tarvox_last_error(nullptr));
        return voice_ != nullptr;
    }
    if (voice_) tarvox_close(voice_);
    voice_ = v;
    open_directory_ = wanted;
    return true;
}

void ModuleSession::StopSpeaking() {
    if (!worker_.joinable()) return;
    stop_ = true;
    if (voice_) tarvox_stop(voice_);
    worker_.join();
}

void ModuleSession::Speak(LineReader& in, Kind kind) {
    // A message that arrives while the last one still speaks ends it first.
    StopSpeaking();
    BeginCommand();
    Reply("202 OK RECEIVING MESSAGE\n");
    const std::optional<std::string> message = ReadMessage(in);
    if (!message) {
        EndCommand();
        return;
    }
    if (kind != Kind::kIcon && !UseVoiceFor()) {
        Reply("301 ERROR CANT SPEAK\n");
        EndCommand();
        return;
    }
    Job job = MakeJob(*message, kind);
    Reply("200 OK SPEAKING\n");
    stop_ = false;
    pause_ = false;
    // The worker's first event waits in the held output until the reply is out.
    worker_ = std::thread(&ModuleSession::Work, this, std::move(job));
    EndCommand();
}

void ModuleSession::Work(Job job) {
    paused_ = false;
    Event("701 BEGIN\n");
    if (!job.icon.empty()) Event("706-" + job.icon + "\n706 ICON\n");
    for (const Piece& piece : job.pieces) {
        if (stop_ || paused_) break;
        delivered_ = 0;
        pending_marks_.clear();
        std::vector<tarvox_mark> marks;
        marks.reserve(piece.marks.size());
        for (const TextMark& m : piece.marks) marks.push_back({m.position, m.name.c_str()});
        const tarvox_status status =
            tarvox_speak_marked(voice_, piece.text.c_str(), marks.data(), marks.size(),
                                &job.settings, &ModuleSession::OnAudio, &ModuleSession::OnEvent, this);
        if (status != TARVOX_OK) Log(1, std::string("cannot speak: ") + tarvox_last_error(voice_));
        // Marks after the last audio.
        for (std::size_t i = 0; i < pending_marks_.size() && !stop_ && !paused_; ++i)
            EmitMark(pending_marks_[i].name);
        pending_marks_.clear();
    }
    if (paused_)
        Event("704 PAUSE\n");
    else if (stop_)
        Event("703 STOP\n");
    else
        Event("702 END\n");
}

int ModuleSession::OnAudio(void* user, const int16_t* samples, size_t count) {
    return static_cast<ModuleSession*>(user)->DeliverAudio(samples, count) ? 0 : 1;
}

void ModuleSession::OnEvent(void* user, const tarvox_event* event) {
    auto* self = static_cast<ModuleSession*>(user);
    if (!event || event->kind != TARVOX_EVENT_MARK || self->stop_ || self->paused_) return;
    const std::string name = event->name ? event->name : "";
    if (event->sample <= self->delivered_ && self->pending_marks_.empty())
        self->EmitMark(name);
    else
        self->pending_marks_.push_back({event->sample, name});
}

bool ModuleSession::DeliverAudio(const int16_t* samples, std::size_t count) {
    if (audio_gate_) audio_gate_();
    if (stop_ || paused_) return false;
    std::size_t done = 0;
    std::size_t next = 0;
    bool go_on = true;
    while (next < pending_marks_.size() && pending_marks_[next].sample < delivered_ + count) {
        const std::size_t cut =
            static_cast<std::size_t>(std::max(pending_marks_[next].sample, delivered_) - delivered_);
        if (cut > done) {
            Event(AudioBlock(std::span<const std::int16_t>(samples + done, cut - done)));
            done = cut;
        }
        go_on = EmitMark(pending_marks_[next++].name);
        if (!go_on) break;
    }
    pending_marks_.erase(pending_marks_.begin(), pending_marks_.begin() + static_cast<std::ptrdiff_t>(next));
    if (!go_on) return false;
    if (done < count) Event(AudioBlock(std::span<const std::int16_t>(samples + done, count - done)));
    delivered_ += count;
    return !stop_;
}

bool ModuleSession::EmitMark(const std::string& name) {
    Event("700-" + name + "\n700 INDEX MARK\n");
    if (pause_ && name.starts_with("__spd_")) {
        paused_ = true;
        tarvox_stop(voice_);
        return false;
    }
    return true;
}

}  // namespace tarvox::sd
