#pragma once
// A main window polling the router simulator on loopback, and the means to
// move the mouse over its chart.

#include "SimulatedRouter.h"
#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "routersim/RouterSimulator.h"
#include "window/Form1.h"

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <memory>
#include <string>

namespace windowtest {

inline constexpr uint32_t Seed = 9;

// The simulator and a shown main window with its address and password typed in.
struct TMonitorFixture {
    std::unique_ptr<TSimulatedRouter> router;
    TRouterSimulator* simulator = nullptr;  // the router's
    std::unique_ptr<TForm1> form;
    std::string host;
    // The line history of this window's polls.
    QTemporaryDir historyDir;

    // knowsBitLoading false: the simulator answers the bit-loading command with an error.
    explicit TMonitorFixture(bool knowsBitLoading = true)
    {
        TRouterSimulatorSettings settings = TSimulatedRouter::Settings("pw", Seed);
        settings.KnowsBitLoading = knowsBitLoading;
        router = std::make_unique<TSimulatedRouter>(settings);
        simulator = &**router;
        host = router->Host();
        form = std::make_unique<TForm1>();
        form->SetHistoryPath(historyDir.filePath(QStringLiteral("history.sqlite")));
        form->edHost->setText(QString::fromStdString(host));
        form->edPassword->setText(QStringLiteral("pw"));
        form->Session().SetClock([] { return std::string("10:20:30"); });
        form->show();
        QApplication::processEvents();
    }

    // Paints the chart, so that the bar series knows its pixels, and returns the picture.
    QImage PaintChart() { return form->Chart21->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // Puts the mouse cursor at chart pixel p and sends the chart a mouse move
    // whose own coordinates lie elsewhere (the readout must use the cursor's).
    void MoveMouse(QPoint p)
    {
        QCursor::setPos(form->Chart21->mapToGlobal(p));
        const QPointF elsewhere(1, 1);
        QMouseEvent move(QEvent::MouseMove, elsewhere, form->Chart21->mapToGlobal(elsewhere), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(form->Chart21, &move);
    }
};

}  // namespace windowtest
