// End to end: a real speech-dispatcher server, headless, with sd_tarvox as
// its module and its ALSA output captured in a file; spd-say speaks a
// Slovenian sentence and waits for the end. Skipped where
// speech-dispatcher is not installed.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "adapter/tarvox.h"
#include "support/test_files.h"

extern char** environ;

namespace tarvox::sd {
namespace {

namespace fs = std::filesystem;

std::string Which(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    dirs += ":/usr/bin:/usr/sbin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const fs::path candidate = fs::path(dirs.substr(start, end - start)) / program;
        if (!candidate.parent_path().empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        start = end + 1;
    }
    return "";
}

// A child process that is always ended: SIGTERM, then SIGKILL.
class Child {
public:
    Child(const std::vector<std::string>& args, const std::vector<std::string>& env) {
        std::vector<std::string> a = args, e = env;
        std::vector<char*> argv, envp;
        for (std::string& s : a) argv.push_back(s.data());
        for (std::string& s : e) envp.push_back(s.data());
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        if (posix_spawn(&pid_, a[0].c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    }
    ~Child() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        if (!Wait(10000)) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool running() { return pid_ > 0 && !Wait(0); }
    // Waits up to ms for the exit; the status is kept.
    bool Wait(int ms) {
        for (int waited = 0; pid_ > 0; waited += 20) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                status_ = status;
                return true;
            }
            if (waited >= ms) return false;
            ::usleep(20000);
        }
        return true;
    }
    int status() const { return status_; }

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

TEST(SpeechDispatcher, SpdSaySpeaksThroughTheModule) {
    const std::string server = Which("speech-dispatcher");
    const std::string say = Which("spd-say");
    if (server.empty() || say.empty())
        GTEST_SKIP() << "speech-dispatcher and spd-say are not installed (package speech-dispatcher)";

    tarvox::testing::TempDir t;
    const std::string T = t.path().string();
    fs::create_directories(T + "/home");
    fs::create_directories(T + "/log");
    fs::create_directories(T + "/run");
    ::chmod((T + "/run").c_str(), 0700);
    t.Write("home/.asoundrc", "pcm.tofile { type file; slave.pcm \"null\"; file \"" + T +
                                  "/played.raw\"; format \"raw\" }\n");
    t.Write("conf/speechd.conf", "LogLevel 4\nLogDir \"" + T + "/log\"\nAudioOutputMethod \"alsa\"\n"
                                 "AudioALSADevice \"tofile\"\nDefaultVolume 100\nAddModule \"tarvox\" \"" TARVOX_SD_MODULE
                                 "\" \"tarvox.conf\"\nDefaultModule tarvox\n");
    t.Write("conf/modules/tarvox.conf", "TarvoxVoiceDirectory \"" TARVOX_VOICE_BUILD_DIR "\"\n");
    const char* path = std::getenv("PATH");
    std::vector<std::string> env = {"HOME=" + T + "/home", "XDG_RUNTIME_DIR=" + T + "/run",
                                    std::string("PATH=") + (path ? path : "/usr/bin:/bin")};
    for (const char* keep : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* v = std::getenv(keep)) env.push_back(std::string(keep) + "=" + v);

    const std::string socket = T + "/sock";
    Child daemon({server, "-s", "-C", T + "/conf", "-c", "unix_socket", "-S", socket, "-t", "60", "-L",
                  T + "/log"},
                 env);
    for (int i = 0; i < 200 && !fs::exists(socket) && daemon.running(); ++i) ::usleep(50000);
    ASSERT_TRUE(fs::exists(socket)) << "the server did not start; log:\n"
                                    << tarvox::testing::ReadFile(T + "/log/speech-dispatcher.log");

    env.push_back("SPEECHD_ADDRESS=unix_socket:" + socket);
    Child client({say, "-w", "-o", "tarvox", "-l", "sl", "Dober dan"}, env);
    ASSERT_TRUE(client.Wait(60000)) << "spd-say did not finish";
    EXPECT_TRUE(WIFEXITED(client.status()) && WEXITSTATUS(client.status()) == 0);
    // The server has played everything when spd-say returns.
    const std::string raw = tarvox::testing::ReadFile(T + "/played.raw");
    std::vector<std::int16_t> played(raw.size() / 2);
    std::copy_n(raw.data(), played.size() * 2, reinterpret_cast<char*>(played.data()));

    std::vector<std::int16_t> expected;
    tarvox_voice* v = nullptr;
    ASSERT_EQ(tarvox_open(TARVOX_VOICE_BUILD_DIR, &v), TARVOX_OK) << tarvox_last_error(nullptr);
    tarvox_settings s{0, 0, 100};  // the server's defaults: rate 0, pitch 0, volume 100
    tarvox_speak(v, "Dober dan", &s,
                 [](void* user, const int16_t* x, size_t n) {
                     auto* e = static_cast<std::vector<std::int16_t>*>(user);
                     e->insert(e->end(), x, x + n);
                     return 0;
                 },
                 nullptr, &expected);
    tarvox_close(v);

    ASSERT_GT(expected.size(), 8000u);
    ASSERT_GE(played.size(), expected.size())
        << "log:\n" << tarvox::testing::ReadFile(T + "/log/speech-dispatcher.log");
    const auto loudest = std::max_element(played.begin(), played.end(), [](std::int16_t a, std::int16_t b) {
        return std::abs(static_cast<int>(a)) < std::abs(static_cast<int>(b));
    });
    EXPECT_GT(std::abs(static_cast<int>(*loudest)), 1000) << "silence was played";
    // The module's samples as played: the server scales them by its own
    // software volume (a little below 1 at volume 100), so they match up to
    // a gain, sample for sample.
    double ee = 0, pp = 0, ep = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ee += double(expected[i]) * expected[i];
        pp += double(played[i]) * played[i];
        ep += double(expected[i]) * played[i];
    }
    ASSERT_GT(pp, 0.0);
    EXPECT_GT(ep / std::sqrt(ee * pp), 0.999) << "the played samples are not the module's";
    EXPECT_GT(ep / ee, 0.5);
    EXPECT_LT(ep / ee, 1.05);
    EXPECT_LE(played.size(), expected.size() + 16000u);
}

}  // namespace
}  // namespace tarvox::sd
