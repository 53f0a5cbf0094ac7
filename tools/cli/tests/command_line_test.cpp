// The command line itself, run as a program: its options, its output files
// and streams, its events and its behaviour when stopped or failing.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/test_files.h"
#include "wav_writer.h"

namespace {

using tarvox::testing::ReadFile;
using tarvox::testing::TempDir;

const std::string kCli = TARVOX_CLI_PATH;
const std::string kVoice = TARVOX_TEST_VOICE;
constexpr char kSentence[] = "Dober dan, kako ste?";

struct Outcome {
    int status = -1;  // exit code
    std::string out;  // standard output
};

// Runs a shell command line and collects its standard output.
Outcome Shell(const std::string& command) {
    Outcome r;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return r;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pipe.get())) > 0) r.out.append(buf, n);
    const int status = pclose(pipe.release());
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string Say(const std::string& args) { return kCli + " say --voice " + kVoice + " " + args; }

std::uint32_t U32(const std::string& data, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, data.data() + at, 4);
    return v;
}

// The bytes of the samples of a WAV file whose header must be complete.
std::string WavSamples(const std::string& data) {
    EXPECT_GE(data.size(), 44u);
    if (data.size() < 44) return {};
    EXPECT_EQ(data.substr(0, 4), "RIFF");
    EXPECT_EQ(data.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(U32(data, 24), 16000u);
    EXPECT_EQ(data[22], 1);   // mono
    EXPECT_EQ(data[34], 16);  // bits
    const std::size_t at = data.find("data");
    EXPECT_NE(at, std::string::npos);
    if (at == std::string::npos) return {};
    EXPECT_EQ(U32(data, 4), data.size() - 8);
    EXPECT_EQ(U32(data, at + 4), data.size() - at - 8);
    return data.substr(at + 8);
}

TEST(CommandLine, WritesTheWavAndPrintsEvents) {
    TempDir dir;
    const std::string wav = dir.file("pozdrav.wav");
    const Outcome r = Shell(Say("\"" + std::string(kSentence) + "\" -o " + wav +
                            " --events --mark 6:sredina --mark 0:0"));
    ASSERT_EQ(r.status, 0);
    const std::string samples = WavSamples(ReadFile(wav));
    ASSERT_GT(samples.size(), 16000u);

    std::istringstream lines(r.out);
    std::vector<std::string> kinds;
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::uint64_t offset = 0;
        std::string kind;
        long position = -1, length = -1;
        ASSERT_TRUE(fields >> offset >> kind >> position >> length) << line;
        EXPECT_LE(offset, samples.size());
        std::string name;
        std::getline(fields, name);
        kinds.push_back(kind + "@" + std::to_string(position) + name);
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"sentence@0", "bookmark@0 0", "word@0",
                                               "bookmark@6 sredina", "word@6", "word@11",
                                               "word@16"}));
    // Through the speech platform's engine object: the same audio.
    const std::string platform = dir.file("platform.wav");
    ASSERT_EQ(Shell(Say("\"" + std::string(kSentence) + "\" --platform -o " + platform)).status, 0);
    EXPECT_EQ(WavSamples(ReadFile(platform)), samples);
}

// The short options are the long ones; the outputs to standard output carry
// the same samples as the file.
TEST(CommandLine, AliasesAndStandardOutput) {
    TempDir dir;
    const std::string text = "\"Hvala, nasvidenje.\" ";
    ASSERT_EQ(Shell(Say(text + "--rate 3 --pitch -2 --volume 70 -o " + dir.file("long.wav"))).status, 0);
    ASSERT_EQ(Shell(Say(text + "-s 3 -p -2 -a 70 -w " + dir.file("short.wav"))).status, 0);
    const std::string samples = WavSamples(ReadFile(dir.file("long.wav")));
    ASSERT_FALSE(samples.empty());
    EXPECT_EQ(WavSamples(ReadFile(dir.file("short.wav"))), samples);

    const Outcome raw = Shell(Say(text + "-s 3 -p -2 -a 70 --stdout"));
    EXPECT_EQ(raw.status, 0);
    EXPECT_EQ(raw.out, samples);
    for (const char* wav_out : {"-o -", "--stdout-wav"}) {
        const Outcome stream = Shell(Say(text + "-s 3 -p -2 -a 70 " + wav_out));
        EXPECT_EQ(stream.status, 0);
        ASSERT_GT(stream.out.size(), 44u);
        EXPECT_EQ(stream.out.substr(0, 4), "RIFF");
        EXPECT_EQ(U32(stream.out, 40), 0xFFFFFFFFu);  // a stream's length is unknown
        EXPECT_EQ(stream.out.substr(44), samples);
    }
}

TEST(CommandLine, VoicesVersionAndChoosingAVoice) {
    const Outcome voices = Shell(kCli + " --voices");
    EXPECT_EQ(voices.status, 0);
    EXPECT_NE(voices.out.find("Quenlar Orin\tsl\tmale\t"), std::string::npos) << voices.out;
    EXPECT_NE(voices.out.find("Quenlar Orin YU-ASCII\t"), std::string::npos);
    EXPECT_NE(voices.out.find("Quenlar Tevo\tsl\tfemale\t"), std::string::npos);
    const Outcome version = Shell(kCli + " --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("tarvox ", 0), 0u);

    const std::string text = " \"Dober dan.\" --stdout";
    const Outcome orin = Shell(kCli + " say -v 'Quenlar Orin'" + text);
    const Outcome tevo = Shell(kCli + " say -v 'quenlar tevo'" + text);
    const Outcome by_dir = Shell(kCli + " say -v " + kVoice + text);
    ASSERT_EQ(orin.status, 0);
    ASSERT_EQ(tevo.status, 0);
    EXPECT_EQ(by_dir.out, orin.out);
    EXPECT_NE(tevo.out, orin.out);
    EXPECT_EQ(Shell(kCli + " say -v 'Nobody' x --stdout 2>/dev/null").status, 1);
}

TEST(CommandLine, RefusesWhatItCannotDo) {
    TempDir dir;
    dir.Write("text.txt", "Besedilo.");
    const std::string out = dir.file("out.wav");
    // Text both as arguments and from a file.
    EXPECT_EQ(Shell(Say("Besedilo -f " + dir.file("text.txt") + " -o " + out + " 2>/dev/null")).status, 1);
    // A voice that cannot start leaves no file behind.
    TempDir empty;
    EXPECT_EQ(Shell(kCli + " say -v " + empty.path().string() + " Besedilo -o " + out + " 2>/dev/null").status, 1);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(Shell(Say("-f " + dir.file("missing.txt") + " -o " + out + " 2>/dev/null")).status, 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}

// Letters beyond the code page are read by the voice, and text that is not
// UTF-8 is read as Windows-1250 (with a warning) unless told otherwise.
TEST(CommandLine, ReadsLettersAndEncodingsItWasNotWrittenIn) {
    const std::string cp1250 = "'Kava \\350aj in \\232ola.'";
    const struct {
        std::string args, expected;
    } cases[] = {
        {"\"Москва\"", ". mo:skva . "},
        {"\"$(printf " + cp1250 + ")\"", ". ka:va tSa:j in So:la . "},
        {"--encoding windows-1250 \"$(printf " + cp1250 + ")\"", ". ka:va tSa:j in So:la . "},
    };
    for (const auto& c : cases) {
        const Outcome r = Shell(kCli + " phonemes --voice " + kVoice + " " + c.args + " 2>/dev/null");
        EXPECT_EQ(r.status, 0) << c.args;
        EXPECT_EQ(r.out, c.expected + "\n") << c.args;
    }
    TempDir dir;
    dir.Write("text.txt", "Kava \xe8""aj in \x9aola.");
    const Outcome warned = Shell(Say("-f " + dir.file("text.txt") + " --stdout 2>&1 >/dev/null"));
    EXPECT_EQ(warned.status, 0);
    EXPECT_NE(warned.out.find("not valid UTF-8"), std::string::npos);
    EXPECT_NE(Shell(Say("--encoding latin9 x --stdout >/dev/null 2>&1")).status, 0);
}

// Each sentence goes through the converter once: the converter's trace line
// comes once per sentence event.
TEST(CommandLine, ConvertsEachSentenceOnce) {
    std::string text;
    for (int i = 1; i <= 6; ++i) text += "To je stavek " + std::to_string(i) + ". ";
    const Outcome r = Shell(Say("\"" + text + "\" --stdout --events --verbose 2>&1 >/dev/null"));
    ASSERT_EQ(r.status, 0);
    std::size_t conversions = 0, sentences = 0;
    for (std::size_t at = 0; (at = r.out.find("stavek pretvorjen", at)) != std::string::npos; ++at)
        ++conversions;
    for (std::size_t at = 0; (at = r.out.find(" sentence ", at)) != std::string::npos; ++at) ++sentences;
    EXPECT_EQ(sentences, 6u);
    EXPECT_EQ(conversions, sentences);
}

// Stopped by SIGTERM in the middle of a text read from standard input: the
// WAV file is closed with a header that tells what was written.
TEST(CommandLine, InterruptedWavKeepsAValidHeader) {
    TempDir dir;
    const std::string wav = dir.file("dolgo.wav");
    int in[2];
    ASSERT_EQ(pipe(in), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(in[0], 0);
        close(in[0]);
        close(in[1]);
        execl(kCli.c_str(), kCli.c_str(), "say", "--voice", kVoice.c_str(), "-o", wav.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    // More than the converter takes at once, and the pipe stays open: the
    // program speaks what it has and waits for the rest.
    std::string text;
    while (text.size() < 50000) text += "Danes je lep dan in sonce sije. ";
    ASSERT_EQ(write(in[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    for (int i = 0; i < 600; ++i) {  // until some audio has been written
        std::error_code ec;
        const auto size = std::filesystem::file_size(wav, ec);
        if (!ec && size > 100000) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(in[1]);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
    const std::string samples = WavSamples(ReadFile(wav));
    EXPECT_GT(samples.size(), 100000u - 44);
}

// A WAV file whose header could not count its samples is refused, and what
// was written stays a valid file.
TEST(CommandLine, WavFilePastItsLimitIsRefused) {
    TempDir dir;
    const std::string wav = dir.file("big.wav");
    {
        tarvox::cli::SampleSink sink(wav, tarvox::cli::OutputFormat::WavFile, 1000);
        const std::vector<std::int16_t> samples(400, 7);
        EXPECT_TRUE(sink.Write(samples));
        EXPECT_FALSE(sink.Write(samples));
        EXPECT_NE(sink.error().find("4 GiB"), std::string::npos);
        EXPECT_FALSE(sink.Close());
    }
    EXPECT_EQ(WavSamples(ReadFile(wav)).size(), 800u);
}

}  // namespace
