// Test cameras for GStreamer: a device provider that announces live test-pattern sources as video
// cameras, so the program's capture layer finds and runs them like USB cameras on a machine that
// has none. Loaded through GST_PLUGIN_PATH; CORVISENT_TEST_CAMERAS sets how many (default 2).
// Cameras can be unplugged and plugged back while they run: the file named by
// CORVISENT_TEST_CAMERAS_UNPLUGGED lists the numbers of the cameras that are out ("2", "1 2").
#ifndef PACKAGE
#define PACKAGE "corvisent-tests"
#endif
#include <gst/gst.h>

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct TestCam {
    GstDevice parent;
    int number;
};
struct TestCamClass {
    GstDeviceClass parent_class;
};

struct TestCamProvider {
    GstDeviceProvider parent;
};
struct TestCamProviderClass {
    GstDeviceProviderClass parent_class;
};

GType test_cam_get_type();
GType test_cam_provider_get_type();

G_DEFINE_TYPE(TestCam, test_cam, GST_TYPE_DEVICE)
G_DEFINE_TYPE(TestCamProvider, test_cam_provider, GST_TYPE_DEVICE_PROVIDER)

GstElement* createElement(GstDevice* device, const gchar* name) {
    GstElement* src = gst_element_factory_make("videotestsrc", name);
    if (!src) return nullptr;
    // Live, so frames come at the camera's rate; each camera shows a different picture.
    const int number = reinterpret_cast<TestCam*>(device)->number;
    g_object_set(src, "is-live", TRUE, "pattern", number % 2 == 0 ? 0 : 18, nullptr);
    return src;
}

void test_cam_class_init(TestCamClass* klass) { GST_DEVICE_CLASS(klass)->create_element = createElement; }
void test_cam_init(TestCam*) {}

GstDevice* makeCamera(int number) {
    GstCaps* caps = gst_caps_from_string("video/x-raw, format=YUY2, width=640, height=480, framerate=30/1; "
                                         "video/x-raw, format=YUY2, width=320, height=240, framerate=30/1");
    gchar* name = g_strdup_printf("Test Camera %d", number);
    gchar* path = g_strdup_printf("/dev/testcam%d", number);
    GstStructure* props = gst_structure_new("properties", "device.path", G_TYPE_STRING, path, nullptr);
    auto* cam = reinterpret_cast<TestCam*>(g_object_new(test_cam_get_type(), "display-name", name, "device-class",
                                                        "Video/Source", "caps", caps, "properties", props, nullptr));
    cam->number = number;
    gst_structure_free(props);
    gst_caps_unref(caps);
    g_free(path);
    g_free(name);
    return GST_DEVICE(cam);
}

constexpr int kMaxCameras = 8;

int cameraCount() {
    const char* n = std::getenv("CORVISENT_TEST_CAMERAS");
    return n ? std::min(std::atoi(n), kMaxCameras) : 2;
}

// Whether camera number is listed as unplugged.
bool unplugged(int number) {
    const char* path = std::getenv("CORVISENT_TEST_CAMERAS_UNPLUGGED");
    if (!path) return false;
    FILE* f = std::fopen(path, "r");
    if (!f) return false;
    bool out = false;
    int n = 0;
    while (std::fscanf(f, "%d", &n) == 1) out = out || n == number;
    std::fclose(f);
    return out;
}

GList* probe(GstDeviceProvider*) {
    GList* list = nullptr;
    for (int i = 1; i <= cameraCount(); ++i)
        if (!unplugged(i)) list = g_list_append(list, gst_object_ref_sink(makeCamera(i)));
    return list;
}

// The cameras announced by the running provider; the watch adds and removes them as the file says.
GstDeviceProvider* g_provider = nullptr;
GstDevice* g_plugged[kMaxCameras + 1] = {};

gpointer watchPlugs(gpointer) {
    for (;;) {
        g_usleep(50 * 1000);
        for (int i = 1; i <= cameraCount(); ++i) {
            const bool out = unplugged(i);
            if (out && g_plugged[i]) {
                gst_device_provider_device_remove(g_provider, g_plugged[i]);
                gst_object_unref(g_plugged[i]);
                g_plugged[i] = nullptr;
            } else if (!out && !g_plugged[i]) {
                g_plugged[i] = GST_DEVICE(gst_object_ref_sink(makeCamera(i)));
                gst_device_provider_device_add(g_provider, g_plugged[i]);
            }
        }
    }
    return nullptr;
}

gboolean start(GstDeviceProvider* provider) {
    if (g_provider) return TRUE;
    g_provider = GST_DEVICE_PROVIDER(gst_object_ref(provider));
    // The cameras present at the start are listed without an "added" message each: the monitor
    // reads the list when it starts, and a message as well would list every camera twice.
    for (int i = 1; i <= cameraCount(); ++i) {
        if (unplugged(i)) continue;
        g_plugged[i] = GST_DEVICE(gst_object_ref_sink(makeCamera(i)));
        gst_object_set_parent(GST_OBJECT(g_plugged[i]), GST_OBJECT(provider));
        GST_OBJECT_LOCK(provider);
        provider->devices = g_list_prepend(provider->devices, g_plugged[i]); // as an added device is
        GST_OBJECT_UNLOCK(provider);
    }
    g_thread_unref(g_thread_new("testcam-plugs", watchPlugs, nullptr));
    return TRUE;
}

void test_cam_provider_class_init(TestCamProviderClass* klass) {
    GstDeviceProviderClass* dp = GST_DEVICE_PROVIDER_CLASS(klass);
    dp->probe = probe;
    dp->start = start;
    gst_device_provider_class_set_static_metadata(dp, "Test cameras", "Source/Video", "Live test-pattern cameras",
                                                  "Corvisent Manager tests");
}
void test_cam_provider_init(TestCamProvider*) {}

gboolean pluginInit(GstPlugin* plugin) {
    return gst_device_provider_register(plugin, "corvisenttestcams", GST_RANK_PRIMARY,
                                        test_cam_provider_get_type());
}

} // namespace

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, corvisenttestcams, "Test cameras", pluginInit, "1.0", "LGPL",
                  "corvisent-tests", "https://localhost/")
