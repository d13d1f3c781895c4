#include "editor/TunePlayer.h"

#include <algorithm>

#include "document/TuneDocument.h"
#include "editor/PlaybackDevices.h"
#include "tunefile/Profile.h"

namespace skirlo {

namespace {

constexpr const char* kDeviceSection = "PlayOptions";
constexpr const char* kDeviceKey = "OutputDevice";

}  // namespace

TunePlayer::TunePlayer(TuneDocument& document, Profile& profile, PlaybackDevices& devices, MessageSink& messages,
                       QObject* parent)
    : QObject(parent), document_(document), profile_(profile), layer_(devices.platform, messages, devices.log) {
    PlaybackNotifications notifications;
    notifications.progress = [this](std::size_t index) {
        QMetaObject::invokeMethod(this, [this, index] { emit sounding(index); }, Qt::QueuedConnection);
    };
    notifications.end = [this] { QMetaObject::invokeMethod(this, &TunePlayer::onEnd, Qt::QueuedConnection); };
    notifications.openFailed = [this] { emit stateChanged(); };
    scheduler_ = std::make_unique<PlaybackScheduler>(layer_, devices.speaker, devices.clock, notifications);
    document_.playback().performance.setPlayingFlag(&scheduler_->playingFlag());
    document_.setPlaybackListener([this] { useNewLists(); });
    useNewLists();
}

TunePlayer::~TunePlayer() {
    document_.setPlaybackListener({});
    scheduler_->stop();
    document_.playback().performance.setPlayingFlag(nullptr);
}

bool TunePlayer::hasPerformance() const { return !document_.playback().performance.events().empty(); }

OutputDeviceList TunePlayer::listDevices() {
    OutputDeviceList list = layer_.enumerateOutputs();
    const std::string remembered = profile_.getString(kDeviceSection, kDeviceKey);
    const auto found = std::find(list.names.begin(), list.names.end(), remembered);
    if (!remembered.empty() && found != list.names.end()) {
        list.initialSelection = static_cast<std::size_t>(found - list.names.begin());
    }
    deviceNames_ = list.names;
    return list;
}

bool TunePlayer::selectDevice(std::optional<std::size_t> index) {
    DocumentPlayback& playback = document_.playback();
    PlaybackOutput output = playback.settings.output;
    const bool applied = layer_.applySelection(index, output, hasPerformance(), [this](PlaybackOutput chosen) {
        document_.rebuildPlayback(profile_, chosen);
    });
    playback.settings.output = output;
    useNewLists();
    if (applied && index && *index < deviceNames_.size() &&
        profile_.getString(kDeviceSection, kDeviceKey) != deviceNames_[*index]) {
        profile_.writeString(kDeviceSection, kDeviceKey, deviceNames_[*index]);
    }
    return applied;
}

bool TunePlayer::closeDevices() {
    if (playing()) stop();
    return layer_.closeMidiDevices(&layer_.input(), &layer_.output());
}

void TunePlayer::useNewLists() {
    DocumentPlayback& playback = document_.playback();
    scheduler_->setLists(&playback.midiEvents.events(), &playback.performance.events());
    scheduler_->setSetup(playSetup(playback.settings));
}

void TunePlayer::play() {
    if (scheduler_->play()) emit stateChanged();
}

void TunePlayer::playContinuous() {
    if (scheduler_->playContinuous()) emit stateChanged();
}

void TunePlayer::stop() {
    scheduler_->stop();
    emit stateChanged();
}

void TunePlayer::rewind() { scheduler_->rewind(); }

void TunePlayer::setVolume(VolumeChannel channel, int value) {
    scheduler_->setVolume(channel, value);
    PlaybackSettings& settings = document_.playback().settings;
    (channel == VolumeChannel::Chanter ? settings.chanterVolume
     : channel == VolumeChannel::Tenor ? settings.tenorVolume
                                       : settings.bassVolume) = value;
}

void TunePlayer::onEnd() {
    scheduler_->handleEnd();
    emit stateChanged();
}

const Symbol* TunePlayer::symbolAt(std::size_t index) const {
    const DocumentPlayback& playback = document_.playback();
    if (playback.settings.output == PlaybackOutput::Speaker) {
        const auto& events = playback.performance.events();
        return index < events.size() ? events[index].symbol : nullptr;
    }
    const auto& events = playback.midiEvents.events();
    return index < events.size() ? events[index].symbol : nullptr;
}

const Symbol* TunePlayer::nextSymbolAfter(std::size_t index) const {
    const DocumentPlayback& playback = document_.playback();
    const std::size_t size = playback.settings.output == PlaybackOutput::Speaker ? playback.performance.events().size()
                                                                                 : playback.midiEvents.events().size();
    for (std::size_t next = index + 1; next < size; ++next) {
        if (const Symbol* symbol = symbolAt(next)) return symbol;
    }
    return nullptr;
}

}  // namespace skirlo
