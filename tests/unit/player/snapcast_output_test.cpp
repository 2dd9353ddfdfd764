// The Snapcast output's identifier, its GStreamer sink (with the local output beside it
// held back by the lead) and the buffer read from the server's status.

#include "player/snapcast_output.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <string>

#include "player/snapcast_sink.h"

namespace player {
namespace {

TEST(SnapcastOutputTest, TheIdentifierIsReadAndWrittenWithItsOptions) {
    // The address alone: Snapcast's defaults.
    auto output = ParseSnapcastOutput("snapcast://bells.lan:4953");
    ASSERT_TRUE(output);
    EXPECT_EQ(output->host, "bells.lan");
    EXPECT_EQ(output->port, 4953);
    EXPECT_EQ(SampleFormatText(*output), "48000:16:2");
    EXPECT_FALSE(output->localToo);
    EXPECT_EQ(output->leadMs, -1);
    EXPECT_EQ(output->controlPort, 1705);
    EXPECT_EQ(FormatSnapcastOutput(*output), "snapcast://bells.lan:4953");

    // Every option, an IPv6 address, and an option of a later version left alone.
    output = ParseSnapcastOutput(
        "snapcast://[fd00::5]:4953/?sampleformat=44100:24:1&local=1&lead=850&control=1805&x=y");
    ASSERT_TRUE(output);
    EXPECT_EQ(output->host, "fd00::5");
    EXPECT_EQ(SampleFormatText(*output), "44100:24:1");
    EXPECT_TRUE(output->localToo);
    EXPECT_EQ(output->leadMs, 850);
    EXPECT_EQ(output->controlPort, 1805);
    EXPECT_EQ(FormatSnapcastOutput(*output),
              "snapcast://[fd00::5]:4953?sampleformat=44100:24:1&local=1&lead=850&control=1805");
    EXPECT_EQ(ParseSnapcastOutput(FormatSnapcastOutput(*output)), output);

    // Not well formed: no output at all, so nothing unchecked reaches the pipeline.
    for (const char* bad :
         {"snapcast://bells.lan", "snapcast://bells.lan:0", "snapcast://bells.lan:70000",
          "snapcast://:4953", "snapcast://a b:4953", "snapcast://a!fakesink:4953",
          "snapcast://a\"b:4953", "snapcast://[::1:4953",
          "snapcast://h:4953?sampleformat=48000:12:2", "snapcast://h:4953?sampleformat=48000:16",
          "snapcast://h:4953?lead=-5", "snapcast://h:4953?lead=99999",
          "snapcast://h:4953?control=0", "alsa_output.pci.analog-stereo", ""}) {
        EXPECT_FALSE(ParseSnapcastOutput(bad)) << bad;
    }
    EXPECT_TRUE(IsSnapcastOutput("snapcast://a b:4953"));
    EXPECT_FALSE(IsSnapcastOutput("alsa_output.pci.analog-stereo"));
}

TEST(SnapcastOutputTest, TheSinkSendsTheSourceFormatAndMayPlayLocallyBesideAsLate) {
    ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr));
    auto output = ParseSnapcastOutput("snapcast://127.0.0.1:4953?sampleformat=44100:24:1");
    ASSERT_TRUE(output);
    for (const bool local : {false, true}) {
        SCOPED_TRACE(local);
        output->localToo = local;
        GstElement* bin = BuildSnapcastSink(*output, "fakesink name=office", 700);
        ASSERT_NE(bin, nullptr);
        GstElement* sender = gst_bin_get_by_name(GST_BIN(bin), kSnapcastSinkName);
        ASSERT_NE(sender, nullptr);
        gchar* host = nullptr;
        gint port = 0;
        gboolean sync = FALSE;
        gint64 senderOffset = -1;
        g_object_get(sender, "host", &host, "port", &port, "sync", &sync, "ts-offset",
                     &senderOffset, nullptr);
        EXPECT_STREQ(host, "127.0.0.1");
        EXPECT_EQ(port, 4953);
        EXPECT_TRUE(sync) << "sent in real time";
        EXPECT_EQ(senderOffset, 0) << "the server gets the sound at once";
        // What reaches the sender is the source's format.
        GstPad* pad = gst_element_get_static_pad(sender, "sink");
        GstPad* peer = gst_pad_get_peer(pad);
        GstCaps* caps = gst_pad_query_caps(peer, nullptr);
        GstCaps* wanted = gst_caps_from_string(
            "audio/x-raw,format=S24LE,rate=44100,channels=1,layout=interleaved");
        EXPECT_TRUE(gst_caps_can_intersect(caps, wanted));
        GstCaps* other = gst_caps_from_string("audio/x-raw,format=S16LE,rate=48000,channels=2");
        EXPECT_FALSE(gst_caps_can_intersect(caps, other));
        // The office hears it when the speakers of the campus do.
        GstElement* office = gst_bin_get_by_name(GST_BIN(bin), "office");
        EXPECT_EQ(office != nullptr, local);
        if (office != nullptr) {
            gint64 officeOffset = 0;
            g_object_get(office, "ts-offset", &officeOffset, nullptr);
            EXPECT_EQ(officeOffset, 700 * GST_MSECOND);
            gst_object_unref(office);
        }
        gst_caps_unref(other);
        gst_caps_unref(wanted);
        gst_caps_unref(caps);
        gst_object_unref(peer);
        gst_object_unref(pad);
        g_free(host);
        gst_object_unref(sender);
        gst_object_unref(bin);
    }
    EXPECT_EQ(BuildDelayedSink("no_such_element", 700), nullptr);
}

TEST(SnapcastOutputTest, TheBufferIsReadFromTheStatusOfTheSourceAtThePort) {
    // As snapserver 0.26 answers Server.GetStatus, with two sources; one carries its
    // buffer in its URI.
    const std::string status = R"({"id":1,"jsonrpc":"2.0","result":{"server":{"groups":[],
        "server":{"snapserver":{"version":"0.26.0"}},
        "streams":[
          {"id":"primary","status":"idle","uri":{"host":"0.0.0.0:4953","query":{
             "buffer":"750","chunk_ms":"20","mode":"server","name":"primary"}}},
          {"id":"secondary","status":"idle","uri":{"host":"0.0.0.0:4954","query":{
             "chunk_ms":"20","mode":"server","name":"secondary"}}}]}}})";
    EXPECT_EQ(BufferFromStatus(status, 4953), 750);
    EXPECT_EQ(BufferFromStatus(status, 4954), std::nullopt) << "says nothing of its buffer";
    EXPECT_EQ(BufferFromStatus(status, 953), std::nullopt) << "no source at that port";
    for (const char* bad : {"", "{", "[]", R"({"result":{"server":{"streams":{}}}})",
                            R"({"result":{"server":{"streams":[{"uri":{"host":"h:4953",
                               "query":{"buffer":"-1"}}}]}}})",
                            R"({"result":{"server":{"streams":[{"uri":{"host":"h:4953",
                               "query":{"buffer":"lots"}}}]}}})"}) {
        EXPECT_EQ(BufferFromStatus(bad, 4953), std::nullopt) << bad;
    }

    // A server that is not there answers nothing, at once.
    const auto output = ParseSnapcastOutput("snapcast://127.0.0.1:4953?control=1");
    ASSERT_TRUE(output);
    EXPECT_EQ(QuerySnapcastBufferMs(*output, 2000), std::nullopt);

    // The sink is given the server's address, looked up within a bound.
    EXPECT_EQ(ResolveHostWithin("127.0.0.1", 1000), "127.0.0.1");
    const auto local = ResolveHostWithin("localhost", 1000);
    ASSERT_TRUE(local);
    EXPECT_TRUE(*local == "127.0.0.1" || *local == "::1") << *local;
    EXPECT_EQ(ResolveHostWithin("qelt-no-such-host.invalid", 1000), std::nullopt);
}

}  // namespace
}  // namespace player
