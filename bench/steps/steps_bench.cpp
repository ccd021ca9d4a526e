// SPDX-License-Identifier: MIT
// How long the animation step and world generation take, and whether they
// touch the heap. The animation step is set against a baseline that stores
// the same 39200 corner z values into the same arrays and does nothing else,
// so the ratio of the two shows what moving the scenery and the camera adds.
#include "anim.h"
#include "world.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

// malloc, calloc and realloc are replaced for the whole executable (operator
// new ends in malloc), counting the calls made while a measured loop runs.
static bool counting = false;
static long allocations = 0;

// The C library's own allocator, under the names it exports for this use.
// NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" void *__libc_malloc(size_t size);
extern "C" void *__libc_calloc(size_t count, size_t size);
extern "C" void *__libc_realloc(void *old, size_t size);
// NOLINTEND(bugprone-reserved-identifier)

// NOLINTBEGIN(readability-inconsistent-declaration-parameter-name)
extern "C" void *malloc(size_t size) noexcept
{
    allocations += counting;
    return __libc_malloc(size);
}

extern "C" void *calloc(size_t count, size_t size) noexcept
{
    allocations += counting;
    return __libc_calloc(count, size);
}

extern "C" void *realloc(void *old, size_t size) noexcept
{
    allocations += counting;
    return __libc_realloc(old, size);
}
// NOLINTEND(readability-inconsistent-declaration-parameter-name)

// Allocations seen while each benchmark's loops ran, over all its runs.
static std::map<std::string, long> allocated;

// Runs the loop with the allocation counter on and reports what it saw.
template <typename Step> static void measure(benchmark::State &state, const char *name, Step step)
{
    allocations = 0;
    counting = true;
    for (auto _ : state)
        step();
    counting = false;
    allocated[name] += allocations;
    state.counters["allocs"] = double(allocations);
    if (allocations != 0)
        state.SkipWithError("allocated from the heap");
}

// The corner z values of the current positions, stored where the animation
// step stores them: the same reads and writes without any moving.
static void storez()
{
    for (int i = 0; i < cloudcount; i++) {
        Vertex3 *v = &cloud_verts[i * sheetcorners];
        GLfloat z = cloudz[i].zpos;
        GLfloat far = z + cloudz[i].hpos;
        v[0].z = v[1].z = z;
        v[2].z = v[3].z = far;
    }
    for (int i = 0; i < citycount; i++) {
        Vertex3 *v = &city_verts[i * citycorners];
        GLfloat z = cityz[i].zpos;
        GLfloat far = z + cityz[i].dpos;
        v[0].z = v[1].z = v[2].z = v[3].z = z;
        v[4].z = v[5].z = v[6].z = v[7].z = far;
    }
    for (int i = 0; i < floorcount; i++) {
        Vertex3 *v = &floor_verts[i * sheetcorners];
        GLfloat z = floorz[i].zpos;
        GLfloat far = z + floorz[i].hpos;
        v[0].z = v[1].z = z;
        v[2].z = v[3].z = far;
    }
}

static void calcmebench(benchmark::State &state)
{
    measure(state, "calcme", [] {
        calcme();
        benchmark::ClobberMemory();
    });
}

static void baselinebench(benchmark::State &state)
{
    measure(state, "baseline", [] {
        storez();
        benchmark::ClobberMemory();
    });
}

// initme fills every record and array it writes on each call, so repeated
// calls do the whole work of the one call the program makes.
static void initmebench(benchmark::State &state)
{
    measure(state, "initme", [] {
        initme();
        benchmark::ClobberMemory();
    });
}

// Shows the usual console table and keeps the medians of each benchmark.
class Medians : public benchmark::ConsoleReporter
{
  public:
    struct Times {
        double real, cpu; // in the benchmark's own time unit
    };
    std::map<std::string, Times> median;

    Medians() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs)
            if (r.aggregate_name == "median" && !r.error_occurred)
                median[r.run_name.function_name] = {r.GetAdjustedRealTime(),
                                                    r.GetAdjustedCPUTime()};
    }
};

// The counter must see an allocation made on purpose, or a clean count
// would mean nothing.
static bool counterworks()
{
    allocations = 0;
    counting = true;
    int *p = new int(1);
    benchmark::DoNotOptimize(p);
    delete p;
    void *q = malloc(16);
    benchmark::DoNotOptimize(q);
    free(q);
    counting = false;
    return allocations == 2;
}

int main(int argc, char **argv)
{
    if (!counterworks()) {
        fprintf(stderr, "steps_bench: the allocation counter does not see allocations\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    initme(); // the animation step runs on a generated world
    // Repeated runs, so a busy moment on a shared machine moves the mean, not
    // the median.
    auto repeat = [](benchmark::internal::Benchmark *b, benchmark::TimeUnit unit) {
        b->Unit(unit)->Repetitions(15)->MinTime(0.2)->ReportAggregatesOnly(true);
    };
    repeat(benchmark::RegisterBenchmark("calcme", calcmebench), benchmark::kMicrosecond);
    repeat(benchmark::RegisterBenchmark("baseline", baselinebench), benchmark::kMicrosecond);
    repeat(benchmark::RegisterBenchmark("initme", initmebench), benchmark::kMillisecond);
    Medians reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    // CPU time leaves out the moments another process held the core, which
    // on a shared machine is most of the spread; real time is shown beside it.
    printf("\nMedians (real time, CPU time):\n");
    auto has = [&](const char *name) { return reporter.median.count(name) != 0; };
    for (const char *name : {"calcme", "baseline", "initme"})
        if (has(name))
            printf("  %-9s %9.3f %9.3f %s\n", name, reporter.median[name].real,
                   reporter.median[name].cpu, name == std::string("initme") ? "ms" : "us");
    if (has("calcme") && has("baseline")) {
        double ratio = reporter.median["calcme"].cpu / reporter.median["baseline"].cpu;
        printf("  calcme / baseline (CPU): %.2f, target at most 2.0: %s\n", ratio,
               ratio <= 2.0 ? "met" : "MISSED");
    }
    if (has("initme")) {
        double ms = reporter.median["initme"].cpu;
        printf("  initme (CPU): %.3f ms, target under 5 ms: %s\n", ms, ms < 5 ? "met" : "MISSED");
    }
    int status = 0;
    for (const auto &[name, count] : allocated) {
        printf("  %s: %ld heap allocations\n", name.c_str(), count);
        if (count != 0) {
            fprintf(stderr, "steps_bench: %s allocated from the heap %ld times\n", name.c_str(),
                    count);
            status = 1;
        }
    }
    return status;
}
