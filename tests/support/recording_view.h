#pragma once
// A transport view that records what the transport writes: the captions, the
// information texts, the seek thumb and how often it was told of a change of
// PlayState or of the track-end rule's inputs; its repeat switch is the test's to set.
#include "transport.h"

namespace fixture {

class RecordingView : public TransportView {
public:
    QString marquee, caption;
    TrackTexts info;
    bool thumbShown = false;
    bool repeatOn = false;
    double sliderVolume = 1.0;
    int stateChanges = 0, ruleInputChanges = 0;
    void setMarquee(const QString& t) override { marquee = t; }
    void setWindowCaption(const QString& t) override { caption = t; }
    void setTrackInfo(const TrackTexts& t) override { info = t; }
    void showSeekThumb() override { thumbShown = true; }
    void hideSeekThumbAtStart() override { thumbShown = false; }
    bool repeat() const override { return repeatOn; }
    double volume() const override { return sliderVolume; }
    void playStateChanged() override { ++stateChanges; }
    void trackEndInputsChanged() override { ++ruleInputChanges; }
};

}  // namespace fixture
