// What the window's side of an installation run costs: the archive unpacked by
// the reader alone on the calling thread, as before the run had a thread of
// its own, against the installer's path, the reader on a thread of its own
// with the main window's progress handler (cancel check, percentage, a posted
// message when a new whole percent is due) while the window, shown with its
// bar, handles its messages and updates the bar and both captions. Run by
// hand; see bench/README.md.
//
//   progress_bench <cabinet> <destination folder> [rounds]
//
// Each round unpacks with both, the order alternating, each into a new folder
// under the destination folder, which the caller empties afterwards (run.sh
// does). Then the handler alone: ten million reports from another thread, and
// the window's updates alone, as its message handler makes them: one for each
// whole percent.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/uKelpaInstall.h"
#include "bench/BenchClock.h"
#include "ui/Application.h"
#include "ui/ComCtrls.h"

namespace {

// Milliseconds of one extraction into a folder of its own, made for it:
// emptying one folder for every run slowed later runs down under Wine.
double Timed(const std::string& aDest, const std::function<void(const std::string&)>& anExtract)
{
    CreateDirectoryA(aDest.c_str(), nullptr);
    double start = Now();
    anExtract(aDest);
    return Now() - start;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: progress_bench <cabinet> <destination folder> [rounds]\n");
        return 2;
    }
    std::string cabinet = argv[1], dest = argv[2];
    if (dest.back() != '\\')
        dest += '\\';
    int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
    Application.Initialize();
    Application.SetTitle("Kelpa installer");
    InitCommonControlClasses();
    try {
        TfKLPInst form(nullptr);
        form.Show();
        form.ProgressBar1->SetVisible(true);
        Application.ProcessMessages();
        TSTCabReader bare(nullptr);

        std::vector<double> readerMs, windowMs, ratios;
        for (int r = 0; r < rounds; ++r) {
            double reader = 0, window = 0;
            for (int turn = 0; turn < 2; ++turn) {
                std::string folder = dest + std::to_string(r + 1) + ((turn + r) % 2 == 0 ? "reader\\" : "window\\");
                if ((turn + r) % 2 == 0)
                    reader = Timed(folder, [&](const std::string& aDest) { bare.Extract(cabinet, aDest, 0); });
                else
                    window = Timed(folder, [&](const std::string& aDest) {
                        Application.RunInBackground([&] { form.CabRead->Extract(cabinet, aDest, 0); });
                        Application.ProcessMessages();
                    });
            }
            readerMs.push_back(reader);
            windowMs.push_back(window);
            ratios.push_back(window / reader);
            std::printf("round %d: reader %.1f ms, window %.1f ms, ratio %.3f (%s)\n", r + 1, reader, window,
                        window / reader, form.Text().c_str());
            std::fflush(stdout);
        }
        std::printf("median: reader %.1f ms, window %.1f ms, ratio of the rounds %.3f\n", Median(readerMs),
                    Median(windowMs), Median(ratios));

        // The handler alone, on another thread, with the window answering.
        const uint64_t reports = 10'000'000;
        double handlerMs = 0;
        Application.RunInBackground([&] {
            double start = Now();
            for (uint64_t i = 0; i < reports; ++i)
                form.CabRead->OnProgress(form.CabRead, i, reports);
            handlerMs = Now() - start;
        });
        Application.ProcessMessages();
        // A hundred and one updates of the bar and both captions, made as the
        // window makes one when it is told of a new percentage.
        double start = Now();
        for (int percent = 0; percent <= 100; ++percent) {
            form.ProgressBar1->SetPosition(percent);
            form.SetText(ProgressCaption(percent, "Kelpa editor installer"));
            Application.SetTaskbarCaption(ProgressCaption(percent, Application.Title()));
            Application.ProcessMessages();
        }
        double updatesMs = Now() - start;
        std::printf("101 window updates (bar and both captions): %.1f ms\n", updatesMs);
        std::printf("progress handler: %.1f ns a report (%llu reports)\n",
                    handlerMs * 1e6 / static_cast<double>(reports), static_cast<unsigned long long>(reports));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    Application.DestroyForms();
    Application.Finalize();
    return 0;
}
