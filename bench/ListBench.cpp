// The device list at scale: filling, sorting and rewriting 10,000 rows in the
// real window, offscreen. The window's refresh is given no adapter, so
// nothing here sends a packet.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "discovery/Refresh.h"
#include "ui/main/CQuillonDlg.h"
#include "ui/main/DeviceSort.h"

namespace {

using namespace quillon;

constexpr std::size_t DEVICE_COUNT = 10000;

std::vector<DevInfo> makeDevices(std::size_t count) {
    std::mt19937 random(42);
    std::vector<DevInfo> devices;
    devices.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto n = static_cast<unsigned>(random());
        DevInfo entry;
        char text[64];
        std::snprintf(text, sizeof text, "Camera-%05u", n % 100000);
        entry.name = text;
        std::snprintf(text, sizeof text, "QD%08u", n % 100000000);
        entry.deviceId = (n % 10 == 0) ? "" : text;
        std::snprintf(text, sizeof text, "10.%u.%u.%u", (n >> 8) % 256, (n >> 16) % 256, n % 256);
        entry.ip = text;
        entry.gateway = "10.0.0.1";
        entry.subnetMask = "255.255.255.0";
        std::snprintf(text, sizeof text, "02:00:00:%02X:%02X:%02X", static_cast<unsigned>(i >> 16),
                      static_cast<unsigned>((i >> 8) & 0xFF), static_cast<unsigned>(i & 0xFF));
        entry.mac = text;
        entry.swVersion = "V4.02.R11.00000517";
        entry.videoCount = std::to_string(n % 64);
        entry.audioCount = std::to_string(n % 8);
        entry.alarmInCount = "4";
        entry.alarmOutCount = "1";
        entry.audioTalk = std::to_string(n % 2);
        entry.storage = std::to_string((n >> 1) % 2);
        entry.webPort = std::to_string(n % 3 == 0 ? 80 : n % 65536);
        entry.videoPort = "34567";
        entry.phonePort = "34599";
        entry.dhcpText = n % 2 ? "Y" : "N";
        entry.wirelessText = "--";
        devices.push_back(entry);
    }
    return devices;
}

// One shown window for all benchmarks; its refresh finds no adapter.
CQuillonDlg& window() {
    static std::unique_ptr<CQuillonDlg> dialog = [] {
        auto made = std::make_unique<CQuillonDlg>();
        RefreshHooks hooks;
        hooks.listAdapters = [] { return std::vector<AdapterAddress>{}; };
        made->SetRefreshHooksForTesting(hooks);
        made->resize(1440, 720);
        made->show();
        QApplication::processEvents();
        return made;
    }();
    return *dialog;
}

// FillDeviceList and the repaint that shows its result.
void BM_FillDeviceList(benchmark::State& state) {
    CQuillonDlg& dialog = window();
    dialog.SetDevicesForTesting(makeDevices(DEVICE_COUNT));
    for (auto _ : state) {
        dialog.FillDeviceList();
        dialog.deviceList()->viewport()->repaint();
    }
}
BENCHMARK(BM_FillDeviceList)->Unit(benchmark::kMillisecond);

// SortDevices alone, one column of each kind.
void BM_SortDevices(benchmark::State& state) {
    const std::vector<DevInfo> devices = makeDevices(DEVICE_COUNT);
    const int column = static_cast<int>(state.range(0));
    bool ascending = false;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<DevInfo> copy = devices;
        state.ResumeTiming();
        SortDevices(ascending = !ascending, copy, column);
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_SortDevices)
    ->ArgName("column")
    ->Arg(0)   // text: device name
    ->Arg(1)   // text: device ID, empty for some
    ->Arg(4)   // address: IP
    ->Arg(13)  // stored 0/1 shown as Y/N
    ->Arg(15)  // number as text: web port
    ->Unit(benchmark::kMillisecond);

// A whole header click: sort, UpdateDeviceRows, and the repaint.
void BM_ColumnClick(benchmark::State& state) {
    CQuillonDlg& dialog = window();
    dialog.SetDevicesForTesting(makeDevices(DEVICE_COUNT));
    for (auto _ : state) {
        dialog.OnColumnClick(4);
        dialog.deviceList()->viewport()->repaint();
    }
}
BENCHMARK(BM_ColumnClick)->Unit(benchmark::kMillisecond);

// UpdateDeviceRows after a sort, and the repaint.
void BM_UpdateDeviceRows(benchmark::State& state) {
    CQuillonDlg& dialog = window();
    dialog.SetDevicesForTesting(makeDevices(DEVICE_COUNT));
    dialog.OnColumnClick(0);
    for (auto _ : state) {
        dialog.UpdateDeviceRows();
        dialog.deviceList()->viewport()->repaint();
    }
}
BENCHMARK(BM_UpdateDeviceRows)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
