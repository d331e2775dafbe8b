// The band workers: threads made once, at the first job that asks for more than one thread, that wait
// for a job, take bands from it until none is left, and wait again. The main thread takes bands from
// the same job, so a worker that wakes late costs nothing but its share; bands never overlap, so the
// pixels do not depend on who drew which band. A job that comes back every frame (band_run) is cut
// into one band a thread, where each band's rows are moved from frame to frame until the bands take
// equally long: few bands spare the set-up that every band repeats (a line crossing two bands is set
// up twice), and moving the cuts keeps a picture busier at the top than at the bottom from leaving
// one thread waiting for the other.
#include "display/band_worker.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "display/cpu_relax.h"

int g_threads = 1;

int band_threads_all()
{
    const unsigned cores = std::thread::hardware_concurrency();   // 0 when unknown
    return cores < 1 ? 1 : (cores > 8 ? 8 : static_cast<int>(cores));
}

namespace {

constexpr int k_max_threads = 8;
// The jobs whose cuts are kept; a job past these is cut evenly, two bands a thread.
constexpr int k_balances = 16;
// Cuts fall on multiples of four rows, where the four-row drawers start their groups.
constexpr int k_cut_rows = 4;

// Where a recurring job was cut the last time (the times of its bands are the pool's `spent`).
struct Balance {
    BandFn fn;
    int height, bands;
    int cut[k_max_threads + 1];   // band b is rows cut[b] .. cut[b + 1] - 1
};
// How long a worker watches for the next job before it sleeps.
constexpr auto k_watch = std::chrono::microseconds(300);

struct Pool {
    std::mutex lock;
    std::condition_variable wake;   // a new job, or the end
    std::condition_variable idle;   // the last helping worker finished its bands
    std::thread workers[k_max_threads - 1];
    int started = 0;
    unsigned long long job = 0;     // counts the jobs handed out
    std::atomic<unsigned long long> posted{0};   // the same count, read without the lock
    int helpers = 0;                // workers that may take part in the current job
    std::atomic<int> busy{0};       // workers drawing bands of the current job; changed under the lock
    bool closed = false;            // every band is taken: a worker waking now has nothing to do
    bool quit = false;

    BandFn fn = nullptr;
    void* ctx = nullptr;
    int height = 0;
    int bands = 0;
    const int* cut = nullptr;       // the band edges of a balanced job; nullptr: even bands
    double spent[k_max_threads];    // a balanced job's seconds per band
    std::atomic<int> next{0};       // the next band to take

    Balance balances[k_balances];   // touched only by the main thread
    int balance_count = 0;

    ~Pool()
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            quit = true;
        }
        wake.notify_all();
        for (int i = 0; i < started; ++i) workers[i].join();
    }

    // Draws bands until the job has none left.
    void bands_take()
    {
        for (;;) {
            const int b = next.fetch_add(1, std::memory_order_relaxed);
            if (b >= bands) return;
            if (cut) {
                const auto start = std::chrono::steady_clock::now();
                fn(ctx, cut[b], cut[b + 1]);
                spent[b] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                continue;
            }
            const long long h = height;
            fn(ctx, static_cast<int>(h * b / bands), static_cast<int>(h * (b + 1) / bands));
        }
    }

    void job_watch(unsigned long long seen)
    {
        const auto until = std::chrono::steady_clock::now() + k_watch;
        for (;;) {
            for (int i = 0; i < 64; ++i) {
                if (posted.load(std::memory_order_acquire) != seen) return;
                cpu_relax();
            }
            if (std::chrono::steady_clock::now() >= until) return;
        }
    }

    void worker_loop(int index)
    {
        unsigned long long seen = 0;
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            if (!quit && job == seen) {
                hold.unlock();
                job_watch(seen);
                hold.lock();
            }
            wake.wait(hold, [&] { return quit || job != seen; });
            if (quit) return;
            seen = job;
            if (closed || index >= helpers) continue;
            ++busy;
            hold.unlock();
            bands_take();
            hold.lock();
            if (--busy == 0) idle.notify_one();
        }
    }
};

Pool& pool()
{
    static Pool p;
    return p;
}

// Runs a job of `bands` bands (cut at `cut`, or evenly when it is nullptr) on `threads` threads.
void job_run(Pool& p, int threads, BandFn fn, void* ctx, int height, int bands, const int* cut)
{
    int helpers = (threads - 1 < bands - 1) ? threads - 1 : bands - 1;
    {
        std::lock_guard<std::mutex> hold(p.lock);
        while (p.started < helpers) {
            const int index = p.started;
            try {
                p.workers[index] = std::thread([&p, index] { p.worker_loop(index); });
            } catch (...) {
                break;   // no thread to be had: the main thread draws the bands itself
            }
            ++p.started;
        }
        if (helpers > p.started) helpers = p.started;
        p.fn = fn;
        p.ctx = ctx;
        p.height = height;
        p.bands = bands;
        p.cut = cut;
        p.next.store(0, std::memory_order_relaxed);
        p.helpers = helpers;
        p.busy = 0;
        p.closed = false;
        ++p.job;
        p.posted.store(p.job, std::memory_order_release);
    }
    if (helpers > 0) p.wake.notify_all();
    p.bands_take();
    // Every band is taken; wait only for the workers that are still drawing one. Once the job is
    // closed no worker joins it, so the count of busy workers only falls.
    std::unique_lock<std::mutex> hold(p.lock);
    p.closed = true;
    if (p.busy.load() != 0) {
        hold.unlock();
        const auto until = std::chrono::steady_clock::now() + k_watch;
        while (p.busy.load(std::memory_order_acquire) != 0 && std::chrono::steady_clock::now() < until) cpu_relax();
        hold.lock();
    }
    p.idle.wait(hold, [&] { return p.busy == 0; });
}

int threads_used()
{
    return g_threads < 1 ? 1 : (g_threads > k_max_threads ? k_max_threads : g_threads);
}

// Even cuts on multiples of k_cut_rows (the last band takes what is left over).
void balance_reset(Balance* bal, BandFn fn, int height, int bands)
{
    bal->fn = fn;
    bal->height = height;
    bal->bands = bands;
    for (int k = 0; k < bands; ++k)
        bal->cut[k] = static_cast<int>(static_cast<long long>(height) * k / bands / k_cut_rows) * k_cut_rows;
    bal->cut[bands] = height;
}

// The kept cuts of fn for this height and number of bands; nullptr when the table is full.
Balance* balance_find(Pool& p, BandFn fn, int height, int bands)
{
    for (int i = 0; i < p.balance_count; ++i) {
        Balance* bal = &p.balances[i];
        if (bal->fn != fn) continue;
        if (bal->height != height || bal->bands != bands) balance_reset(bal, fn, height, bands);
        return bal;
    }
    if (p.balance_count == k_balances) return nullptr;
    Balance* bal = &p.balances[p.balance_count++];
    balance_reset(bal, fn, height, bands);
    return bal;
}

// Moves the cuts towards where the bands would take equally long, taking the time of each band as
// spread evenly over its rows. They move half way: a band that a paused thread made slow moves a cut
// only half as far, and a cut settles instead of swinging about. Every band keeps k_cut_rows rows.
void balance_update(Balance* bal, const double* spent)
{
    const int n = bal->bands;
    double total = 0.0;
    for (int b = 0; b < n; ++b) {
        if (!(spent[b] >= 0.0)) return;
        total += spent[b];
    }
    if (!(total > 0.0)) return;
    int cut[k_max_threads + 1];
    cut[0] = 0;
    cut[n] = bal->height;
    int b = 0;
    double before = 0.0;   // the time of the bands before band b
    for (int k = 1; k < n; ++k) {
        const double want = total * k / n;
        while (b < n - 1 && before + spent[b] < want) before += spent[b++];
        const double share = spent[b] > 0.0 ? (want - before) / spent[b] : 0.5;
        const double even = bal->cut[b] + share * (bal->cut[b + 1] - bal->cut[b]);
        const double moved = bal->cut[k] + 0.5 * (even - bal->cut[k]);
        cut[k] = static_cast<int>(std::lround(moved / k_cut_rows)) * k_cut_rows;
    }
    for (int k = 1; k < n; ++k) cut[k] = std::max(cut[k], cut[k - 1] + k_cut_rows);
    for (int k = n - 1; k >= 1; --k) cut[k] = std::min(cut[k], cut[k + 1] - k_cut_rows);
    for (int k = 1; k < n; ++k) bal->cut[k] = cut[k];
}

}  // namespace

void band_run(BandFn fn, void* ctx, int height)
{
    const int threads = threads_used();
    if (height < 1) return;
    if (threads == 1) return fn(ctx, 0, height);
    Pool& p = pool();
    Balance* bal = height >= threads * k_cut_rows ? balance_find(p, fn, height, threads) : nullptr;
    // Two bands a thread where no cuts are kept: an uneven picture, or a thread that starts late,
    // still shares out evenly.
    if (!bal) return band_run_split(fn, ctx, height, threads * 2);
    job_run(p, threads, fn, ctx, height, threads, bal->cut);
    balance_update(bal, p.spent);
}

void band_run_split(BandFn fn, void* ctx, int height, int bands)
{
    if (height < 1) return;
    if (bands < 1) bands = 1;
    if (bands > height) bands = height;
    const int threads = threads_used();
    if (threads == 1 || bands == 1) {
        const long long h = height;
        for (int b = 0; b < bands; ++b)
            fn(ctx, static_cast<int>(h * b / bands), static_cast<int>(h * (b + 1) / bands));
        return;
    }
    job_run(pool(), threads, fn, ctx, height, bands, nullptr);
}
