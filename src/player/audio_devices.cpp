#include "player/audio_devices.h"

#include <gst/gst.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace player {

namespace {

constexpr const char* kAudioSinkClass = "Audio/Sink";
// The sound server's name of an output (PulseAudio's sink name, ALSA's device name).
constexpr const char* kInternalNameProperty = "internal-name";
// PipeWire's name of an output, among the device's properties.
constexpr const char* kNodeNameProperty = "node.name";

// What one probe found: the outputs, and the device of the one asked for. Shared by
// the caller and the probing thread, so whichever lets go last frees it; a probe that
// outlives its caller's wait finishes on its own and leaves nothing behind.
struct ProbeResult {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::vector<AudioDevice> devices;
    GstDevice* device = nullptr;  // owned

    ProbeResult() = default;
    ProbeResult(const ProbeResult&) = delete;
    ProbeResult& operator=(const ProbeResult&) = delete;
    ~ProbeResult() {
        if (device != nullptr) {
            gst_object_unref(device);
        }
    }
};

std::string TakeString(gchar* text) {
    std::string value = text != nullptr ? text : "";
    g_free(text);
    return value;
}

std::string IdentifierOf(GstDevice* device) {
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(device), kInternalNameProperty) !=
        nullptr) {
        gchar* internal = nullptr;
        g_object_get(device, kInternalNameProperty, &internal, nullptr);
        std::string id = TakeString(internal);
        if (!id.empty()) {
            return id;
        }
    }
    if (GstStructure* properties = gst_device_get_properties(device)) {
        const gchar* node = gst_structure_get_string(properties, kNodeNameProperty);
        std::string id = node != nullptr ? node : "";
        gst_structure_free(properties);
        if (!id.empty()) {
            return id;
        }
    }
    return TakeString(gst_device_get_display_name(device));
}

// Asks the device monitor for the audio outputs, on the calling thread; with a wanted
// identifier, also keeps that output's device.
void Probe(ProbeResult& result, const std::string* wanted) {
    std::vector<AudioDevice> devices;
    GstDevice* wantedDevice = nullptr;
    if (gst_is_initialized() || gst_init_check(nullptr, nullptr, nullptr)) {
        GstDeviceMonitor* monitor = gst_device_monitor_new();
        gst_device_monitor_add_filter(monitor, kAudioSinkClass, nullptr);
        GList* found = gst_device_monitor_get_devices(monitor);
        for (GList* item = found; item != nullptr; item = item->next) {
            auto* device = GST_DEVICE(item->data);
            AudioDevice entry{IdentifierOf(device),
                              TakeString(gst_device_get_display_name(device))};
            if (wanted != nullptr && wantedDevice == nullptr && entry.id == *wanted) {
                wantedDevice = GST_DEVICE(gst_object_ref(device));
            }
            devices.push_back(std::move(entry));
        }
        g_list_free_full(found, gst_object_unref);
        gst_object_unref(monitor);
    }
    const std::lock_guard lock(result.mutex);
    result.devices = std::move(devices);
    result.device = wantedDevice;
    result.done = true;
    result.finished.notify_all();
}

// Runs a probe on a thread of its own and waits for it at most timeoutMs; nullptr when
// it did not finish in time.
std::shared_ptr<ProbeResult> ProbeBounded(const std::string* wanted, int timeoutMs) {
    auto result = std::make_shared<ProbeResult>();
    const std::string wantedCopy = wanted != nullptr ? *wanted : std::string();
    const bool wantSink = wanted != nullptr;
    std::thread([result, wantedCopy, wantSink] {
        Probe(*result, wantSink ? &wantedCopy : nullptr);
    }).detach();
    std::unique_lock lock(result->mutex);
    if (!result->finished.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&result] { return result->done; })) {
        return nullptr;
    }
    return result;
}

}  // namespace

std::vector<AudioDevice> ListAudioOutputs(int timeoutMs) {
    const std::shared_ptr<ProbeResult> result = ProbeBounded(nullptr, timeoutMs);
    if (!result) {
        return {};
    }
    const std::lock_guard lock(result->mutex);
    return std::move(result->devices);
}

GstDevice* FindAudioOutput(const std::string& id, int timeoutMs) {
    if (id.empty()) {
        return nullptr;
    }
    const std::shared_ptr<ProbeResult> result = ProbeBounded(&id, timeoutMs);
    if (!result) {
        return nullptr;
    }
    const std::lock_guard lock(result->mutex);
    return std::exchange(result->device, nullptr);
}

}  // namespace player
