#include "player/snapcast_sink.h"

#include <gst/gst.h>

#include <cstring>

namespace player {

namespace {

// Delays every sink of bin but the one sending to the server.
void DelayLocalSinks(GstElement* bin, int delayMs) {
    if (delayMs <= 0) {
        return;
    }
    const gint64 offset = static_cast<gint64>(delayMs) * GST_MSECOND;
    GstIterator* sinks = gst_bin_iterate_sinks(GST_BIN(bin));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(sinks, &item) == GST_ITERATOR_OK) {
        GstElement* sink = GST_ELEMENT(g_value_get_object(&item));
        const gchar* name = GST_OBJECT_NAME(sink);
        if ((name == nullptr || std::strcmp(name, kSnapcastSinkName) != 0) &&
            g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "ts-offset") != nullptr) {
            g_object_set(sink, "ts-offset", offset, nullptr);
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(sinks);
}

GstElement* ParseBin(const std::string& description) {
    GError* error = nullptr;
    GstElement* bin = gst_parse_bin_from_description(description.c_str(), TRUE, &error);
    g_clear_error(&error);
    return bin != nullptr ? GST_ELEMENT(gst_object_ref_sink(bin)) : nullptr;
}

}  // namespace

GstElement* BuildSnapcastSink(const SnapcastOutput& output, const std::string& localSink,
                              int localDelayMs) {
    GstElement* bin = ParseBin(SnapcastSinkDescription(output, localSink));
    if (bin != nullptr && output.localToo) {
        DelayLocalSinks(bin, localDelayMs);
    }
    return bin;
}

GstElement* BuildDelayedSink(const std::string& description, int delayMs) {
    GstElement* bin = ParseBin(description);
    if (bin != nullptr) {
        DelayLocalSinks(bin, delayMs);
    }
    return bin;
}

}  // namespace player
