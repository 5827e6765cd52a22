#pragma once
// The control IDs of the bench window (vantrel-bench.exe). They stay as they are from
// release to release: automation on the bench PCs finds the controls by them
// (GetDlgItem(window, id)), or by their order, which is the order of these IDs.
//
//   100 the file                     101 Load
//   200 + 10 * (n - 1) + k for COMn's slot, k:
//     0 its group box   1 its check box "COMn"   2 its device   3 its status
//     4 its progress bar   5 its counts
//   300 Program all   301 Watch   302 Retry failed   303 Stop   304 Exit   305 the total
//
// The window's class is "VantrelBench" and its title "Vantrel Bench".

namespace vantrel::bench_ids {

inline constexpr int kFile = 100;
inline constexpr int kLoad = 101;

inline constexpr int kSlotGroup = 0;
inline constexpr int kSlotArmed = 1;
inline constexpr int kSlotDevice = 2;
inline constexpr int kSlotStatus = 3;
inline constexpr int kSlotProgress = 4;
inline constexpr int kSlotCounts = 5;
// The ID of a control of COMn's slot (n = 1..4).
constexpr int Slot(int comPort, int control) { return 200 + 10 * (comPort - 1) + control; }

inline constexpr int kProgramAll = 300;
inline constexpr int kWatch = 301;
inline constexpr int kRetryFailed = 302;
inline constexpr int kStop = 303;
inline constexpr int kExit = 304;
inline constexpr int kTotal = 305;

}  // namespace vantrel::bench_ids
