// Test cameras for GStreamer: a device provider that announces live test-pattern sources as video
// cameras, so the program's capture layer finds and runs them like USB cameras on a machine that
// has none. Loaded through GST_PLUGIN_PATH; CORVISENT_TEST_CAMERAS sets how many (default 2).
#ifndef PACKAGE
#define PACKAGE "corvisent-tests"
#endif
#include <gst/gst.h>

#include <cstdlib>

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

int cameraCount() {
    const char* n = std::getenv("CORVISENT_TEST_CAMERAS");
    return n ? std::atoi(n) : 2;
}

GList* probe(GstDeviceProvider*) {
    GList* list = nullptr;
    for (int i = 1; i <= cameraCount(); ++i) list = g_list_append(list, gst_object_ref_sink(makeCamera(i)));
    return list;
}

gboolean start(GstDeviceProvider* provider) {
    for (int i = 1; i <= cameraCount(); ++i) gst_device_provider_device_add(provider, makeCamera(i));
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
