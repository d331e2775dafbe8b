// The band workers: threads made once, at the first job that asks for more than one thread, that wait
// for a job, take bands from it until none is left, and wait again. The main thread takes bands from
// the same job, so a worker that wakes late costs nothing but its share; bands never overlap, so the
// pixels do not depend on who drew which band.
#include "display/band_worker.h"

#include <atomic>
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
    std::atomic<int> next{0};       // the next band to take

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

}  // namespace

void band_run(BandFn fn, void* ctx, int height)
{
    const int threads = g_threads < 1 ? 1 : (g_threads > k_max_threads ? k_max_threads : g_threads);
    // Two bands a thread: an uneven picture, or a thread that starts late, still shares out evenly.
    band_run_split(fn, ctx, height, threads == 1 ? 1 : threads * 2);
}

void band_run_split(BandFn fn, void* ctx, int height, int bands)
{
    if (height < 1) return;
    if (bands < 1) bands = 1;
    if (bands > height) bands = height;
    const int threads = g_threads < 1 ? 1 : (g_threads > k_max_threads ? k_max_threads : g_threads);
    if (threads == 1 || bands == 1) {
        const long long h = height;
        for (int b = 0; b < bands; ++b)
            fn(ctx, static_cast<int>(h * b / bands), static_cast<int>(h * (b + 1) / bands));
        return;
    }
    Pool& p = pool();
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
