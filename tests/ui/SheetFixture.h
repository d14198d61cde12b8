#pragma once
// The property sheet over a core on the in-memory wire, with simulated local devices that also
// confirm set-key requests. Message boxes are answered by the hook, never shown.
#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <memory>

#include "../unit/ScanFixture.h"
#include "keys/KeyDerivation.h"
#include "ui/DesktopApp.h"
#include "ui/PropertySheet.h"

namespace zentrel::test {

class SheetFixture : public ScanFixture {
protected:
    void SetUp() override {
        ScanFixture::SetUp();
        wire.responder = [this](int adapter, std::span<const std::uint8_t> frame) {
            Answer(adapter, frame);
            if (IsAv(frame, 0xA050) && adapter < static_cast<int>(devices.size()) &&
                devices[static_cast<std::size_t>(adapter)].present) {
                ++setKeyRequests;
                if (frame.size() >= 37) lastNmk = KeyText(&frame[21]);
                const std::uint8_t status = failSetKeys > 0 ? 1 : 0;
                if (failSetKeys > 0) --failSetKeys;
                const Mac source{frame[6], frame[7], frame[8], frame[9], frame[10], frame[11]};
                wire.Reply(adapter, SetKeyConfirm(source, devices[static_cast<std::size_t>(adapter)].mac, status), 3);
            }
        };
    }
    void TearDown() override {
        sheet.reset();
        app.reset();
        ScanFixture::TearDown();
    }

    // The app and its sheet; `prepare` may change the preferences before the pages are built.
    void MakeSheet(const std::function<void(Core&)>& prepare = {}) {
        app = std::make_unique<ui::DesktopApp>(wire, clock, dir);
        app->messages.answerAll = true;
        if (prepare) prepare(app->core);
        sheet = std::make_unique<ui::PropertySheet>(app->ctx);
        sheet->resize(900, 750);
    }
    void Start() {
        sheet->show();
        sheet->Start();
    }
    void ShowTab(int index) { sheet->tabs->setCurrentIndex(index); }
    // A local device with `stations`, the sheet shown and one scan done.
    void StartScanned(std::vector<StationRecord> stations) {
        AddAdapter(true, std::move(stations));
        MakeSheet();
        Start();
        sheet->mainPage->scan->click();
    }

    std::unique_ptr<ui::DesktopApp> app;
    std::unique_ptr<ui::PropertySheet> sheet;
    int setKeyRequests = 0;
    std::string lastNmk;  // of the last set-key request, as KeyText
    int failSetKeys = 0;
};

}  // namespace zentrel::test
