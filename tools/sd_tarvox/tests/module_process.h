// Runs sd_tarvox as a child process with pipes on its standard input and
// output, as speech-dispatcher does, and reads what it says: reply lines,
// events and the samples of the 705 audio blocks. Every read has a time
// limit, so a silent module fails the test instead of hanging it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol.h"

extern char** environ;

namespace tarvox::sd::testing {

class ModuleProcess {
public:
    // Starts `program config`; stdout_pipe_size > 0 shrinks the pipe the
    // module writes into (so it cannot run far ahead of the reader).
    explicit ModuleProcess(const std::string& config, int stdout_pipe_size = 0,
                           const std::string& program = TARVOX_SD_MODULE) {
        int in[2], out[2];
        if (::pipe(in) != 0) return;
        if (::pipe(out) != 0) {
            ::close(in[0]);
            ::close(in[1]);
            return;
        }
        if (stdout_pipe_size > 0) ::fcntl(out[1], F_SETPIPE_SZ, stdout_pipe_size);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<std::string> args = {program, config};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        to_ = in[1];
        from_ = out[0];
        ::signal(SIGPIPE, SIG_IGN);
    }
    ~ModuleProcess() {
        CloseInput();
        if (from_ >= 0) ::close(from_);
        if (pid_ > 0 && !Wait(10000)) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    ModuleProcess(const ModuleProcess&) = delete;
    ModuleProcess& operator=(const ModuleProcess&) = delete;

    bool started() const { return pid_ > 0; }

    void Send(std::string_view text) {
        while (!text.empty() && to_ >= 0) {
            const ssize_t n = ::write(to_, text.data(), text.size());
            if (n <= 0) return;
            text.remove_prefix(static_cast<std::size_t>(n));
        }
    }
    void CloseInput() {
        if (to_ >= 0) ::close(to_);
        to_ = -1;
    }

    // The next line without its LF; nullopt at the end of output or after
    // 30 s of silence.
    std::optional<std::string> Line() {
        for (;;) {
            const std::size_t lf = buffer_.find('\n');
            if (lf != std::string::npos) {
                std::string line = buffer_.substr(0, lf);
                buffer_.erase(0, lf + 1);
                return line;
            }
            pollfd p{from_, POLLIN, 0};
            if (from_ < 0 || ::poll(&p, 1, 30000) <= 0) return std::nullopt;
            char chunk[65536];
            const ssize_t n = ::read(from_, chunk, sizeof chunk);
            if (n <= 0) return std::nullopt;
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // Waits up to `ms` for the module to exit; its exit status is kept.
    bool Wait(int ms) {
        for (int waited = 0; pid_ > 0; waited += 10) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                exit_status_ = status;
                return true;
            }
            if (waited >= ms) return false;
            ::usleep(10000);
        }
        return true;
    }
    int exit_status() const { return exit_status_; }

private:
    pid_t pid_ = -1;
    int to_ = -1;
    int from_ = -1;
    std::string buffer_;
    int exit_status_ = -1;
};

// What one message produced: the events in order ("701", "700 name",
// "705 N" for N samples, "702", "703", "704") and all samples.
struct Spoken {
    std::vector<std::string> events;
    std::vector<std::int16_t> audio;
    bool complete = false;    // ended with 702, 703 or 704
    bool well_formed = true;  // every 705 block parsed
};

// Reads events until END, STOP or PAUSE. `on_event` may act on each one
// (e.g. send STOP); it gets the event text and the samples so far.
template <typename OnEvent>
Spoken ReadSpeech(ModuleProcess& module, OnEvent on_event) {
    Spoken s;
    std::size_t block_samples = 0;
    while (auto line = module.Line()) {
        std::string event;
        if (line->starts_with("705-num_samples=")) {
            block_samples = std::stoul(line->substr(16));
            continue;
        }
        if (line->starts_with("705-AUDIO")) {
            const auto raw = line->size() > 9 && (*line)[9] == '\0' ? HdlcUnescape(std::string_view(*line).substr(10))
                                                                   : std::nullopt;
            if (!raw || raw->size() != block_samples * 2) {
                s.well_formed = false;
                continue;
            }
            const std::size_t at = s.audio.size();
            s.audio.resize(at + block_samples);
            std::memcpy(s.audio.data() + at, raw->data(), raw->size());
            continue;
        }
        if (line->starts_with("705-")) continue;
        if (*line == "705 AUDIO") {
            event = "705 " + std::to_string(block_samples);
        } else if (line->starts_with("700-")) {
            event = "700 " + line->substr(4);
            module.Line();  // "700 INDEX MARK"
        } else {
            event = line->substr(0, 3);
        }
        s.events.push_back(event);
        on_event(event, s);
        if (event == "702" || event == "703" || event == "704") {
            s.complete = true;
            break;
        }
    }
    return s;
}

inline Spoken ReadSpeech(ModuleProcess& module) {
    return ReadSpeech(module, [](const std::string&, const Spoken&) {});
}

}  // namespace tarvox::sd::testing
