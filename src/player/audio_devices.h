#pragma once
// The system's audio outputs as GStreamer's device monitor sees them, for choosing the
// speakers the bells go to. Each output has a name for people and an identifier that
// stays the same across restarts and re-plugging: the sound server's or the driver's
// own name for it (for example "alsa_output.pci-0000_00_1f.3.analog-stereo"), or the
// display name where the device offers none. Asking the system never waits longer than
// the given bound; an output that does not answer in time counts as absent.

#include <string>
#include <vector>

// GStreamer's own type name, so that this header needs no GStreamer headers.
using GstDevice = struct _GstDevice;  // NOLINT(bugprone-reserved-identifier)

namespace player {

struct AudioDevice {
    std::string id;
    std::string name;
};

// How long asking the system for its outputs may take.
constexpr int kAudioDeviceTimeoutMs = 3000;

// The outputs present now, in the monitor's order; empty when there are none, when
// GStreamer cannot start, or when the system did not answer within timeoutMs.
std::vector<AudioDevice> ListAudioOutputs(int timeoutMs = kAudioDeviceTimeoutMs);

// The output with this identifier, of which the caller owns one reference (its sink
// comes from gst_device_create_element); nullptr when no such output is present now or
// the system did not answer in time.
GstDevice* FindAudioOutput(const std::string& id, int timeoutMs = kAudioDeviceTimeoutMs);

}  // namespace player
