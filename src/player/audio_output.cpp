#include "player/audio_output.h"

#include <gst/gst.h>

#include <cstdlib>
#include <cstring>

namespace player {

namespace {

constexpr const char* kSinkVariable = "QELT_AUDIO_SINK";
constexpr GstClockTime kReadyTimeout = 3 * GST_SECOND;

// Whether the element the automatic sink settled on only pretends to play.
bool IsFakeSink(GstElement* element) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory == nullptr) {
        return false;
    }
    const char* name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory));
    return name != nullptr && std::strstr(name, "fake") != nullptr;
}

// Whether any child of the automatic sink is a fake sink.
bool PickedFakeSink(GstElement* sink) {
    if (!GST_IS_BIN(sink)) {
        return IsFakeSink(sink);
    }
    bool fake = false;
    GstIterator* children = gst_bin_iterate_recurse(GST_BIN(sink));
    GValue item = G_VALUE_INIT;
    bool done = false;
    while (!done) {
        switch (gst_iterator_next(children, &item)) {
            case GST_ITERATOR_OK:
                fake = fake || IsFakeSink(GST_ELEMENT(g_value_get_object(&item)));
                g_value_reset(&item);
                break;
            case GST_ITERATOR_RESYNC:
                gst_iterator_resync(children);
                fake = false;
                break;
            case GST_ITERATOR_ERROR:
            case GST_ITERATOR_DONE:
                done = true;
                break;
        }
    }
    g_value_unset(&item);
    gst_iterator_free(children);
    return fake;
}

bool ConfiguredSinkParses(const char* description) {
    GError* error = nullptr;
    GstElement* sink = gst_parse_bin_from_description(description, TRUE, &error);
    const bool parsed = sink != nullptr && error == nullptr;
    if (sink != nullptr) {
        gst_object_unref(gst_object_ref_sink(sink));
    }
    g_clear_error(&error);
    return parsed;
}

bool AutomaticSinkReady() {
    GstElement* sink = gst_element_factory_make("autoaudiosink", nullptr);
    if (sink == nullptr) {
        return false;
    }
    gst_object_ref_sink(sink);
    bool ready = false;
    if (gst_element_set_state(sink, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE) {
        GstState state = GST_STATE_NULL;
        ready = gst_element_get_state(sink, &state, nullptr, kReadyTimeout) ==
                    GST_STATE_CHANGE_SUCCESS &&
                state == GST_STATE_READY && !PickedFakeSink(sink);
    }
    gst_element_set_state(sink, GST_STATE_NULL);
    gst_object_unref(sink);
    return ready;
}

}  // namespace

bool AudioOutputAvailable() {
    if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr)) {
        return false;
    }
    const char* configured = std::getenv(kSinkVariable);
    if (configured != nullptr && configured[0] != '\0') {
        return ConfiguredSinkParses(configured);
    }
    return AutomaticSinkReady();
}

}  // namespace player
