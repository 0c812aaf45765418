// Publishing speed of the program itself, against cp of the same output files in the same run.
// It writes 1,000 quiz files of 100 long questions (every text at its capacity, with "<", ">"
// and line breaks to escape) into a scratch folder, then times, as whole processes:
//   batch    tamberlin --publish on all 1,000 quizzes in one call, once over the pages and
//            listings of the previous run (a folder published again) and once into their
//            places emptied first
//   cp       cp of the 2,000 files that made, in one call, once over the copies of the
//            previous run and once into an emptied folder
//   single   tamberlin --publish on one of the quizzes
//   start    tamberlin --version: what starting the program costs before it does anything
// Emptying is not timed. It prints each ratio of wall time and of CPU time (user and system),
// and single - start, the program's own time for one quiz.
//
// Usage: publish_bench [google benchmark options]; with --benchmark_repetitions=N the summary
// uses each median. TAMBERLIN_BENCH_PROGRAM names another build of the program to time (an
// older one, say); the scratch folder is made under TMPDIR.

#include "document/quiz.h"
#include "document/quiz_file.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kQuizzes = 1000;

fs::path g_folder;
fs::path g_copies;
std::vector<std::string> g_quizPaths;
std::vector<std::string> g_outputPaths;

struct ProcessTime {
    double wall = 0; // seconds from start to exit
    double cpu = 0;  // user and system seconds of the process
};

// Runs the program with its arguments, its output thrown away.
ProcessTime runProcess(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", argv[0]);
        std::exit(1);
    }
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return {std::chrono::duration<double>(end - start).count(),
            seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

// Times one run per iteration; the CPU time goes into the counter "cpu_ms".
template <typename Before>
void timeRuns(benchmark::State& state, const std::vector<std::string>& args, Before before) {
    double cpu = 0;
    for (auto _ : state) {
        before();
        const ProcessTime t = runProcess(args);
        state.SetIterationTime(t.wall);
        cpu += t.cpu;
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1e3, benchmark::Counter::kAvgIterations);
}

void removeOutputs() {
    for (const auto& path : g_outputPaths) {
        fs::remove(path);
    }
}

// A text of exactly size bytes, different per quiz and slot, with characters the page escapes.
std::string longText(std::size_t size, int quiz, int slot) {
    std::string text = "Quiz " + std::to_string(quiz) + ", slot " + std::to_string(slot) + ": ";
    static const std::string words = "which <planet> has the most moons & the largest rings?\r\n";
    while (text.size() < size) {
        text += words;
    }
    text.resize(size);
    return text;
}

void makeQuizzes() {
    g_folder =
        fs::temp_directory_path() / ("tamberlin-publish-bench-" + std::to_string(::getpid()));
    g_copies = g_folder / "copies";
    fs::create_directories(g_copies);
    auto doc = std::make_unique<tamberlin::QuizDocument>();
    doc->ClearBlankQuestion();
    for (int q = 0; q < kQuizzes; ++q) {
        doc->ResetQuiz();
        tamberlin::TQuizRec& quiz = doc->quiz;
        quiz.Title = longText(120, q, 0);
        quiz.QuizId = "Q" + std::to_string(q);
        quiz.CgiTarget = "http://127.0.0.1/cgi-bin/score.cgi";
        quiz.LoginAddress = "http://127.0.0.1/login.htm";
        quiz.RedirectAddress = "http://127.0.0.1/thanks.htm";
        quiz.Interval = 600;
        quiz.QuestionCount = tamberlin::kMaxQuestions;
        quiz.ChoiceCount = tamberlin::kMaxChoices;
        quiz.Prefs.QuestionFontOn = 1;
        quiz.Prefs.QuestionFontFace = "Serif";
        quiz.Prefs.QuestionFontSize = 4;
        quiz.Prefs.ChoiceFontOn = 1;
        quiz.Prefs.ChoiceFontFace = "Sans Serif";
        quiz.Prefs.ChoiceFontSize = 3;
        for (int n = 0; n < tamberlin::kMaxQuestions; ++n) {
            auto& question = quiz.Questions[static_cast<std::size_t>(n)];
            question.QuestionText = longText(255, q, n);
            for (int k = 0; k < tamberlin::kMaxChoices; ++k) {
                question.choice(k) = longText(250, q, n * 10 + k);
            }
            question.Answer = std::string(1, tamberlin::ChoiceLetter(n % 5));
            question.PicAddress = n % 10 == 0 ? "pictures/question picture.gif" : "";
        }
        char name[32];
        std::snprintf(name, sizeof name, "quiz%04d", q);
        const std::string base = (g_folder / name).string();
        tamberlin::WriteQuizFile(quiz, base + ".qvt");
        g_quizPaths.push_back(base + ".qvt");
        g_outputPaths.push_back(base + ".htm");
        g_outputPaths.push_back(base + ".qdt");
    }
}

std::string program() {
    const char* other = std::getenv("TAMBERLIN_BENCH_PROGRAM");
    return other != nullptr && *other != '\0' ? other : TAMBERLIN_PROGRAM;
}

std::vector<std::string> publishArgs(std::size_t count) {
    std::vector<std::string> args = {program(), "--publish"};
    args.insert(args.end(), g_quizPaths.begin(),
                g_quizPaths.begin() + static_cast<std::ptrdiff_t>(count));
    return args;
}

void BM_PublishBatch(benchmark::State& state) {
    const auto args = publishArgs(kQuizzes);
    runProcess(args); // the outputs exist from here on
    timeRuns(state, args, [] {});
}

void BM_PublishBatchNew(benchmark::State& state) {
    timeRuns(state, publishArgs(kQuizzes), removeOutputs);
}

std::vector<std::string> copyArgs() {
    std::vector<std::string> args = {"/bin/cp"};
    args.insert(args.end(), g_outputPaths.begin(), g_outputPaths.end());
    args.push_back(g_copies.string());
    return args;
}

void BM_CopyOverCopies(benchmark::State& state) {
    runProcess(publishArgs(kQuizzes));
    runProcess(copyArgs());
    timeRuns(state, copyArgs(), [] {});
}

void BM_CopyNew(benchmark::State& state) {
    runProcess(publishArgs(kQuizzes));
    timeRuns(state, copyArgs(), [] {
        fs::remove_all(g_copies);
        fs::create_directory(g_copies);
    });
}

void BM_PublishSingle(benchmark::State& state) {
    timeRuns(state, publishArgs(1), [] {});
}

void BM_ProcessStart(benchmark::State& state) {
    timeRuns(state, {program(), "--version"}, [] {});
}

BENCHMARK(BM_PublishBatch)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_CopyOverCopies)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_PublishBatchNew)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_CopyNew)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_PublishSingle)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProcessStart)->UseManualTime()->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time (the median with repetitions) for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;
    std::map<std::string, double> cpuSeconds;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            const std::string name = run.benchmark_name();
            const std::string base = name.substr(0, name.find('/'));
            const bool single = run.run_type == Run::RT_Iteration && !seconds.contains(base);
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (single || median) {
                seconds[base] = run.GetAdjustedRealTime() / 1e3;
                const auto cpu = run.counters.find("cpu_ms");
                cpuSeconds[base] = cpu == run.counters.end() ? 0 : cpu->second.value / 1e3;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    makeQuizzes();
    std::uintmax_t outputBytes = 0;
    runProcess(publishArgs(kQuizzes));
    for (const auto& path : g_outputPaths) {
        outputBytes += fs::file_size(path);
    }
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    fs::remove_all(g_folder);

    std::printf("\n%d quizzes of 100 questions, %.1f MiB of pages and listings\n", kQuizzes,
                double(outputBytes) / (1 << 20));
    const auto compare = [&reporter](const char* what, const char* ours, const char* peer) {
        auto& wall = reporter.seconds;
        auto& cpu = reporter.cpuSeconds;
        if (wall.contains(ours) && wall.contains(peer)) {
            std::printf("%-34s %7.0f ms vs %7.0f ms: %.2fx   (CPU %5.0f vs %5.0f ms: %.2fx)\n",
                        what, wall[ours] * 1e3, wall[peer] * 1e3, wall[ours] / wall[peer],
                        cpu[ours] * 1e3, cpu[peer] * 1e3, cpu[ours] / cpu[peer]);
        }
    };
    compare("publish again / cp over copies", "BM_PublishBatch", "BM_CopyOverCopies");
    compare("publish new / cp into empty folder", "BM_PublishBatchNew", "BM_CopyNew");
    auto& wall = reporter.seconds;
    auto& cpu = reporter.cpuSeconds;
    if (wall.contains("BM_PublishSingle") && wall.contains("BM_ProcessStart")) {
        std::printf("one quiz: %.2f ms, --version: %.2f ms, beyond start: %.2f ms (CPU %.2f ms)\n",
                    wall["BM_PublishSingle"] * 1e3, wall["BM_ProcessStart"] * 1e3,
                    (wall["BM_PublishSingle"] - wall["BM_ProcessStart"]) * 1e3,
                    (cpu["BM_PublishSingle"] - cpu["BM_ProcessStart"]) * 1e3);
    }
    return 0;
}
