#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "app/win32/win32_ui_channel.h"
#include "app/worker_tracker.h"

namespace qn {
namespace {

constexpr UINT kWorkerMessage = WM_APP + 7;
std::atomic<int> g_received{0};

LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kWorkerMessage) {
        ++g_received;
        return 42;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND MakeWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QnChannelTest";
    RegisterClassW(&wc);
    return CreateWindowW(L"QnChannelTest", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                         wc.hInstance, nullptr);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&msg);
    }
}

// The closing window first closes its channel, then waits for its workers: what a worker sends
// from then on must never reach the window (or the object behind it, about to be freed).
TEST(Win32UiChannel, AWorkersMessagesAfterCloseAreDroppedAndTheWaitStillEnds) {
    g_received = 0;
    HWND window = MakeWindow();
    ASSERT_NE(window, nullptr);
    auto channel = std::make_shared<win32::Win32UiChannel>(window);
    WorkerTracker workers;
    std::promise<void> closed;
    auto afterClose = closed.get_future().share();
    std::atomic<std::intptr_t> sentBefore{0}, sentAfter{-1};
    std::atomic<bool> postedAfter{true};
    ASSERT_TRUE(workers.Start({}, [channel, afterClose, &sentBefore, &sentAfter, &postedAfter] {
        sentBefore = channel->Send(kWorkerMessage, 0, 0);
        afterClose.wait();
        sentAfter = channel->Send(kWorkerMessage, 0, 0);
        postedAfter = channel->Post(kWorkerMessage, 0, 0);
    }));
    // The send before the close is answered while the UI thread pumps.
    for (int i = 0; i < 500 && sentBefore == 0; ++i) {
        Pump();
        Sleep(5);
    }
    EXPECT_EQ(sentBefore, 42);
    EXPECT_EQ(g_received, 1);

    channel->Close();
    closed.set_value();
    EXPECT_TRUE(workers.WaitIdle(std::chrono::seconds(10), Pump));
    Pump();
    EXPECT_EQ(sentAfter, 0);
    EXPECT_FALSE(postedAfter);
    EXPECT_EQ(g_received, 1) << "a message after the close reached the window";
    DestroyWindow(window);
}

}  // namespace
}  // namespace qn
