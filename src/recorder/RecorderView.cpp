#include "recorder/RecorderView.h"

TRecorderView::TRecorderView(TLoginFields login, std::function<void()> events)
    : fLogin(std::move(login)), fEvents(std::move(events))
{}

void TRecorderView::ProcessMessages()
{
    if (fEvents)
        fEvents();
}

void TRecorderView::Heartbeat()
{
    if (fEvents)
        fEvents();
}
