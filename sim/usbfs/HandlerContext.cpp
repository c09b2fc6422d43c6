#include "sim/usbfs/HandlerContext.h"

#include <glib.h>

#include "sim/usbfs/SanitizerHandoff.h"

namespace corvane::usbfs {

namespace {

gboolean RunOnce(gpointer data) {
    TakeOver(data);
    (*static_cast<std::function<void()>*>(data))();
    return G_SOURCE_REMOVE;
}

gboolean RunRepeated(gpointer data) {
    return (*static_cast<std::function<bool()>*>(data))() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

template <typename Work>
void Delete(gpointer data) {
    delete static_cast<Work*>(data);
}

}  // namespace

HandlerContext::~HandlerContext() {
    if (context_ != nullptr) {
        g_main_context_unref(context_);
    }
}

void HandlerContext::Learn() {
    std::lock_guard lock(mutex_);
    if (context_ == nullptr) {
        context_ = g_main_context_ref_thread_default();
    }
}

bool HandlerContext::Post(std::function<void()> work) {
    GMainContext* context;
    {
        std::lock_guard lock(mutex_);
        if (context_ == nullptr) {
            return false;
        }
        context = g_main_context_ref(context_);
    }
    auto* handed = new std::function<void()>(std::move(work));
    HandOver(handed);
    g_main_context_invoke_full(context, G_PRIORITY_DEFAULT, RunOnce, handed,
                               Delete<std::function<void()>>);
    g_main_context_unref(context);
    return true;
}

GSource* HandlerContext::After(std::chrono::milliseconds delay, std::function<bool()> work) {
    GSource* source = g_timeout_source_new(static_cast<guint>(delay.count()));
    g_source_set_callback(source, RunRepeated, new std::function<bool()>(std::move(work)),
                          Delete<std::function<bool()>>);
    g_source_attach(source, g_main_context_get_thread_default());
    return source;
}

void HandlerContext::Cancel(GSource* source) {
    if (source != nullptr) {
        g_source_destroy(source);
        g_source_unref(source);
    }
}

void HandlerContext::LetRun(GSource* source) {
    g_source_unref(source);
}

}  // namespace corvane::usbfs
