// Times the directory and file lists against the least any list of names can
// cost: a bare FindFirstFileA/FindNextFileA enumeration of the same directory
// appending every name to a plain list box (no owner drawing, no sorting,
// redraw off). Run by hand; see bench/README.md.
//
//   dirdlg_bench [rounds] [work folder]
//
// The work folder (default: the temp folder's klp-dirdlg-bench) keeps the
// three test directories between runs, since making 70,000 entries under Wine
// takes a while; delete it to start afresh.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "core/FileSystem.h"
#include "core/Strings.h"
#include "dirdlg/DirFiles.h"
#include "dirdlg/DirectoryListBox.h"
#include "dirdlg/NameSort.h"
#include "dirdlg/FileListBox.h"
#include "dirdlg/SelectDirDlg.h"
#include "harness/HostForm.h"
#include "harness/SearchCounter.h"
#include "ui/Application.h"
#include "ui/Forms.h"

namespace {
// Makes aCount sub-directories or files in aDir unless a finished marker says
// an earlier run made them already.
void MakeEntries(const std::string& aDir, int aCount, bool aDirectories)
{
    std::string marker = aDir + ".done";
    if (GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES)
        return;
    std::printf("making %d %s in %s ...\n", aCount, aDirectories ? "directories" : "files", aDir.c_str());
    CreateDirectoryA(aDir.c_str(), nullptr);
    for (int i = 0; i < aCount; ++i) {
        // Names in no sorted order, mixed case, as a real folder has them.
        std::string name = Format("%s\\%c%07d entry", aDir.c_str(), "aBcD"[i % 4], (i * 7919) % 1000003);
        if (aDirectories) {
            CreateDirectoryA(name.c_str(), nullptr);
        } else {
            HANDLE h = CreateFileA((name + ".txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (h != INVALID_HANDLE_VALUE)
                CloseHandle(h);
        }
    }
    HANDLE h = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
}

// The names of a directory, enumerated and thrown away.
int BareEnumeration(const std::string& aDir)
{
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((aDir + "\\*.*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do
        ++count;
    while (FindNextFileA(h, &data));
    FindClose(h);
    return count;
}

// The floor: every name appended to a plain list box with redraw off.
int FloorFill(HWND aList, const std::string& aDir)
{
    SendMessageA(aList, WM_SETREDRAW, FALSE, 0);
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((aDir + "\\*.*").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
        do
            SendMessageA(aList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(data.cFileName));
        while (FindNextFileA(h, &data));
        FindClose(h);
    }
    SendMessageA(aList, WM_SETREDRAW, TRUE, 0);
    return static_cast<int>(SendMessageA(aList, LB_GETCOUNT, 0, 0));
}

class TCountingFileList : public TFileListBox {
public:
    using TFileListBox::TFileListBox;
    int Paints = 0;

protected:
    LRESULT WndProc(UINT aMsg, WPARAM wParam, LPARAM lParam) override
    {
        if (aMsg == WM_PAINT)
            ++Paints;
        return TFileListBox::WndProc(aMsg, wParam, lParam);
    }
};

// Times aRun aRounds times after one warm-up round; aPrepare runs untimed
// before each.
double Time(int aRounds, const std::function<void()>& aPrepare, const std::function<void()>& aRun)
{
    std::vector<double> times;
    for (int round = -1; round < aRounds; ++round) {
        aPrepare();
        double start = Now();
        aRun();
        double elapsed = Now() - start;
        if (round >= 0)
            times.push_back(elapsed);
    }
    return Median(times);
}
} // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string work = argc > 2 ? argv[2] : std::string(temp) + "klp-dirdlg-bench";
    CreateDirectoryA(work.c_str(), nullptr);
    const std::string dirs10k = work + "\\dirs10k", dirs50k = work + "\\dirs50k", files10k = work + "\\files10k";
    MakeEntries(dirs10k, 10000, true);
    MakeEntries(dirs50k, 50000, true);
    MakeEntries(files10k, 10000, false);

    Application.Initialize();
    std::unique_ptr<TForm> form(NewHostForm(HostFormDescription("TDirListBench", "Directory list bench", 640, 480)));
    form->Show();
    HWND plain =
        CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 8,
                        8, 200, 400, form->Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    auto* dirList = new TDirectoryListBox(form.get());
    dirList->SetBounds(216, 8, 200, 400);
    dirList->SetParent(form.get());
    auto* fileList = new TCountingFileList(form.get());
    fileList->SetBounds(424, 8, 200, 400);
    fileList->SetParent(form.get());
    Application.ProcessMessages();

    auto clearPlain = [&] {
        SendMessageA(plain, LB_RESETCONTENT, 0, 0);
        Application.ProcessMessages();
    };
    std::printf("%d rounds, medians in ms\n", rounds);
    std::printf("%-34s %10s %8s\n", "measure", "ms", "ratio");

    std::setvbuf(stdout, nullptr, _IONBF, 0);
    for (const std::string* dir : {&dirs10k, &dirs50k}) {
        int names = 0, lines = 0;
        double bare = Time(
            rounds, [] {}, [&] { names = BareEnumeration(*dir); });
        double floor = Time(rounds, clearPlain, [&] { FloorFill(plain, *dir); });
        dirList->SetCurrentDir(*dir);
        double list = Time(
            rounds, [&] { Application.ProcessMessages(); }, [&] { dirList->Rebuild(); });
        // The same from an empty list: what the lines cost without taking
        // the old ones away (each one removed is a message to the form).
        double fresh = Time(
            rounds,
            [&] {
                SendMessageA(dirList->Handle(), LB_RESETCONTENT, 0, 0);
                Application.ProcessMessages();
            },
            [&] { dirList->Rebuild(); });
        lines = dirList->Count();
        std::string tag = ExtractFileName(*dir);
        std::printf("%-34s %10.1f %8s   (%d names)\n", ("bare enumeration " + tag).c_str(), bare, "", names);
        std::printf("%-34s %10.1f %8.2f\n", ("floor " + tag).c_str(), floor, 1.0);
        std::printf("%-34s %10.1f %8.2f   (%d lines)\n", ("directory list " + tag).c_str(), fresh, fresh / floor,
                    lines);
        std::printf("%-34s %10.1f %8.2f\n", ("  rebuild over its lines " + tag).c_str(), list, list / floor);
    }

    // Where the directory list's time goes: the search, the sort, the lines.
    {
        std::vector<TListItem> items;
        double search = Time(
            rounds, [&] { items.clear(); },
            [&] {
                SearchDirectory(dirs10k + "\\*.*", FILE_ATTRIBUTE_DIRECTORY, [&](const WIN32_FIND_DATAA& e) {
                    items.push_back({e.cFileName, 1});
                });
            });
        std::vector<TListItem> copy;
        double keys = Time(
            rounds, [&] {},
            [&] {
                for (const TListItem& item : items)
                    TextSortKey(item.Text);
            });
        double sort = Time(
            rounds, [&] { copy = items; }, [&] { SortByText(copy, true); });
        double append = Time(
            rounds, [&] { SendMessageA(dirList->Handle(), LB_RESETCONTENT, 0, 0); },
            [&] { dirList->AppendItems(copy); });
        // What one message through our window procedure pays first: the
        // lookup of the object bound to the window, a window property.
        double lookups = Time(
            rounds, [] {},
            [&] {
                for (int i = 0; i < 10000; ++i)
                    TWinControl::FromHandle(form->Handle());
            });
        std::printf("%-34s %10.1f\n", "  10,000 bound-object lookups", lookups);
        std::printf("%-34s %10.1f\n", "  search dirs10k", search);
        std::printf("%-34s %10.1f\n", "  sort keys dirs10k", keys);
        std::printf("%-34s %10.1f\n", "  sort dirs10k", sort);
        std::printf("%-34s %10.1f\n", "  append lines, subclassed dirs10k", append);
        dirList->Rebuild();
    }

    fileList->SetListedDir(files10k);
    int names = 0;
    double bare = Time(
        rounds, [] {}, [&] { names = BareEnumeration(files10k); });
    double floor = Time(rounds, clearPlain, [&] { FloorFill(plain, files10k); });
    std::vector<int> paints;
    auto refill = [&] {
        fileList->Refill();
        // The repaints the refill caused come when the messages are handled.
        Application.ProcessMessages();
        paints.push_back(fileList->Paints);
    };
    double fresh = Time(
        rounds,
        [&] {
            SendMessageA(fileList->Handle(), LB_RESETCONTENT, 0, 0);
            Application.ProcessMessages();
            fileList->Paints = 0;
        },
        refill);
    double list = Time(
        rounds,
        [&] {
            Application.ProcessMessages();
            fileList->Paints = 0;
        },
        refill);
    std::printf("%-34s %10.1f %8s   (%d names)\n", "bare enumeration files10k", bare, "", names);
    std::printf("%-34s %10.1f %8.2f\n", "floor files10k", floor, 1.0);
    std::printf("%-34s %10.1f %8.2f   (%d lines, at most %d repaints)\n", "file list files10k", fresh, fresh / floor,
                fileList->Count(), *std::max_element(paints.begin(), paints.end()));
    std::printf("%-34s %10.1f %8.2f\n", "  refill over its lines files10k", list, list / floor);

    // Opening the chooser at a folder of 10,000 directories and 10,000 files,
    // from a small one, against one rebuild of the directory list and one
    // refill of the file list there. run.sh makes the folder.
    const std::string both10k = work + "\\both10k";
    if (GetFileAttributesA(both10k.c_str()) != INVALID_FILE_ATTRIBUTES) {
        dirList->SetCurrentDir(both10k);
        fileList->SetListedDir(both10k);
        auto clearLists = [&] {
            SendMessageA(dirList->Handle(), LB_RESETCONTENT, 0, 0);
            SendMessageA(fileList->Handle(), LB_RESETCONTENT, 0, 0);
            Application.ProcessMessages();
        };
        double lists = Time(rounds, clearLists, [&] {
            dirList->Rebuild();
            fileList->Refill();
            Application.ProcessMessages();
        });
        TSearchCounter searchesOfBoth(both10k);
        std::vector<int> searches;
        double open = Time(
            rounds,
            [&] {
                SetCurrentDirectoryA(work.c_str());
                Application.ProcessMessages();
                searchesOfBoth.Reset();
            },
            [&] {
                std::unique_ptr<TSelectDirDlg> dialog = NewSelectDirDlg(both10k, bdEditablePath, 0, 96);
                dialog->Show();
                Application.ProcessMessages();
                searches.push_back(searchesOfBoth.Count());
            });
        std::printf("%-34s %10.1f\n", "rebuild + refill both10k", lists);
        std::printf("%-34s %10.1f %8.2f   (searches of the folder: %d to %d; target %.1f ms)\n",
                    "open the chooser at both10k", open, open / lists,
                    *std::min_element(searches.begin(), searches.end()),
                    *std::max_element(searches.begin(), searches.end()), 1.3 * lists + 100);
    }
    form.reset();
    Application.Finalize();
    return 0;
}
