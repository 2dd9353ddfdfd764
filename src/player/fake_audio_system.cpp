#include "player/fake_audio_system.h"

#include <algorithm>
#include <cstdio>

namespace player {

namespace {

const char* ResultName(AudioResult result) {
    switch (result) {
        case AudioResult::Ok:
            return "Ok";
        case AudioResult::NotInitialised:
            return "NotInitialised";
        case AudioResult::InitFailed:
            return "InitFailed";
        case AudioResult::FileNotFound:
            return "FileNotFound";
        case AudioResult::FileBad:
            return "FileBad";
        case AudioResult::InvalidHandle:
            return "InvalidHandle";
        case AudioResult::Unsupported:
            return "Unsupported";
        case AudioResult::InvalidPosition:
            return "InvalidPosition";
        case AudioResult::ChannelBusy:
            return "ChannelBusy";
        case AudioResult::Timeout:
            return "Timeout";
    }
    return "?";
}

const char* UnitName(TimeUnit unit) {
    return unit == TimeUnit::Ms ? "Ms" : "ModOrder";
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

}  // namespace

void FakeAudioSystem::SetLength(const std::string& path, int lengthMs) {
    m_lengths[path] = lengthMs;
}

void FakeAudioSystem::SetFallback(LengthSource source) {
    m_fallback = std::move(source);
}

void FakeAudioSystem::Advance(int ms) {
    if (ms <= 0) {
        return;
    }
    for (auto& [handle, channel] : m_channels) {
        if (channel.paused || channel.ended) {
            continue;
        }
        const auto sound = m_sounds.find(channel.sound);
        const std::uint32_t length = sound == m_sounds.end() ? 0 : sound->second.length;
        const std::uint64_t moved = static_cast<std::uint64_t>(channel.position) + ms;
        if (moved >= length) {
            channel.position = length;
            channel.ended = true;
        } else {
            channel.position = static_cast<std::uint32_t>(moved);
        }
    }
}

int FakeAudioSystem::CountCalls(const std::string& prefix) const {
    return static_cast<int>(std::count_if(m_calls.begin(), m_calls.end(), [&](const auto& call) {
        return call.compare(0, prefix.size(), prefix) == 0;
    }));
}

float FakeAudioSystem::ChannelVolume(ChannelHandle channel) const {
    const auto found = m_channels.find(channel);
    return found == m_channels.end() ? 0.0f : found->second.volume;
}

std::uint32_t FakeAudioSystem::ChannelPosition(ChannelHandle channel) const {
    const auto found = m_channels.find(channel);
    return found == m_channels.end() ? 0 : found->second.position;
}

AudioResult FakeAudioSystem::Record(const std::string& call, AudioResult result) {
    m_calls.push_back(call + " -> " + ResultName(result));
    return result;
}

int FakeAudioSystem::LookUpLength(const std::string& path) const {
    const auto found = m_lengths.find(path);
    if (found != m_lengths.end()) {
        return found->second;
    }
    return m_fallback ? m_fallback(path) : -1;
}

bool FakeAudioSystem::UnitOffered(TimeUnit unit) const {
    return !m_bOnlyModOrder || unit == TimeUnit::ModOrder;
}

AudioResult FakeAudioSystem::Create() {
    m_bCreated = !m_bFailCreate;
    return Record("Create", m_bCreated ? AudioResult::Ok : AudioResult::InitFailed);
}

void FakeAudioSystem::WarmUpFor(const AudioKinds& kinds) {
    m_lastWarmUp = kinds;
    m_warmedKinds.insert(kinds.begin(), kinds.end());
}

AudioResult FakeAudioSystem::Init(int maxChannels) {
    const std::string call = "Init " + std::to_string(maxChannels);
    if (!m_bCreated) {
        return Record(call, AudioResult::NotInitialised);
    }
    if (m_bFailInit) {
        return Record(call, AudioResult::InitFailed);
    }
    m_bReady = true;
    m_nMaxChannels = maxChannels;
    return Record(call, AudioResult::Ok);
}

AudioResult FakeAudioSystem::CreateStream(const std::string& path, StreamMode mode, float volume,
                                          SoundHandle* sound) {
    const std::string call =
        "CreateStream " + path + (mode == StreamMode::Play ? " Play" : " LengthOnly");
    if (!m_bReady) {
        return Record(call, AudioResult::NotInitialised);
    }
    const int length = LookUpLength(path);
    if (length < 0) {
        return Record(call, AudioResult::FileNotFound);
    }
    const SoundHandle handle = m_nextHandle++;
    m_sounds[handle] = Sound{path, static_cast<std::uint32_t>(length), mode, kNoChannel,
                             std::clamp(volume, 0.0f, 1.0f)};
    *sound = handle;
    return Record(call, AudioResult::Ok);
}

AudioResult FakeAudioSystem::GetLength(SoundHandle sound, TimeUnit unit, std::uint32_t* length) {
    const std::string call = std::string("GetLength ") + UnitName(unit);
    const auto found = m_sounds.find(sound);
    if (found == m_sounds.end()) {
        return Record(call, AudioResult::InvalidHandle);
    }
    if (!UnitOffered(unit)) {
        return Record(call, AudioResult::Unsupported);
    }
    *length = found->second.length;
    return Record(call, AudioResult::Ok);
}

AudioResult FakeAudioSystem::Release(SoundHandle sound) {
    const auto found = m_sounds.find(sound);
    if (found == m_sounds.end()) {
        return Record("Release", AudioResult::InvalidHandle);
    }
    m_channels.erase(found->second.channel);
    m_sounds.erase(found);
    return Record("Release", AudioResult::Ok);
}

AudioResult FakeAudioSystem::PlaySound(SoundHandle sound, bool paused, ChannelHandle* channel) {
    const std::string call = std::string("PlaySound") + (paused ? " paused" : "");
    const auto found = m_sounds.find(sound);
    if (found == m_sounds.end()) {
        return Record(call, AudioResult::InvalidHandle);
    }
    if (found->second.mode != StreamMode::Play) {
        return Record(call, AudioResult::Unsupported);
    }
    if (found->second.channel != kNoChannel) {
        return Record(call, AudioResult::ChannelBusy);
    }
    if (m_bFailPlay) {
        return Record(call, AudioResult::InvalidHandle);
    }
    const ChannelHandle handle = m_nextHandle++;
    Channel state;
    state.sound = sound;
    state.paused = paused;
    state.ended = found->second.length == 0;
    state.volume = found->second.volume;
    m_channels[handle] = state;
    found->second.channel = handle;
    m_lastChannel = handle;
    *channel = handle;
    return Record(call, AudioResult::Ok);
}

AudioResult FakeAudioSystem::SetVolume(ChannelHandle channel, float volume) {
    const std::string call = "SetVolume " + Number(volume);
    const auto found = m_channels.find(channel);
    if (found == m_channels.end()) {
        return Record(call, AudioResult::InvalidHandle);
    }
    found->second.volume = std::clamp(volume, 0.0f, 1.0f);
    return Record(call, AudioResult::Ok);
}

AudioResult FakeAudioSystem::SetPaused(ChannelHandle channel, bool paused) {
    const std::string call = std::string("SetPaused ") + (paused ? "true" : "false");
    const auto found = m_channels.find(channel);
    if (found == m_channels.end()) {
        return Record(call, AudioResult::InvalidHandle);
    }
    found->second.paused = paused;
    return Record(call, AudioResult::Ok);
}

AudioResult FakeAudioSystem::GetPaused(ChannelHandle channel, bool* paused) {
    const auto found = m_channels.find(channel);
    if (found == m_channels.end()) {
        return Record("GetPaused", AudioResult::InvalidHandle);
    }
    *paused = found->second.paused;
    return Record("GetPaused", AudioResult::Ok);
}

AudioResult FakeAudioSystem::GetPosition(ChannelHandle channel, TimeUnit unit,
                                         std::uint32_t* position) {
    const std::string call = std::string("GetPosition ") + UnitName(unit);
    const auto found = m_channels.find(channel);
    if (found == m_channels.end()) {
        return Record(call, AudioResult::InvalidHandle);
    }
    if (!UnitOffered(unit)) {
        return Record(call, AudioResult::Unsupported);
    }
    *position = found->second.position;
    return Record(call, AudioResult::Ok);
}

AudioResult FakeAudioSystem::SetPosition(ChannelHandle channel, std::uint32_t position,
                                         TimeUnit unit) {
    const std::string call = "SetPosition " + std::to_string(position) + " " + UnitName(unit);
    const auto found = m_channels.find(channel);
    if (found == m_channels.end()) {
        return Record(call, AudioResult::InvalidHandle);
    }
    if (!UnitOffered(unit)) {
        return Record(call, AudioResult::Unsupported);
    }
    const auto sound = m_sounds.find(found->second.sound);
    if (sound == m_sounds.end() || position > sound->second.length) {
        return Record(call, AudioResult::InvalidPosition);
    }
    found->second.position = position;
    return Record(call, AudioResult::Ok);
}

AudioResult FakeAudioSystem::IsPlaying(ChannelHandle channel, bool* playing) {
    const auto found = m_channels.find(channel);
    if (found == m_channels.end()) {
        *playing = false;
        return Record("IsPlaying", AudioResult::InvalidHandle);
    }
    *playing = !found->second.ended;
    return Record("IsPlaying", AudioResult::Ok);
}

AudioResult FakeAudioSystem::Stop(ChannelHandle channel) {
    const auto found = m_channels.find(channel);
    if (found == m_channels.end()) {
        return Record("Stop", AudioResult::InvalidHandle);
    }
    const auto sound = m_sounds.find(found->second.sound);
    if (sound != m_sounds.end()) {
        sound->second.channel = kNoChannel;
    }
    m_channels.erase(found);
    return Record("Stop", AudioResult::Ok);
}

}  // namespace player
