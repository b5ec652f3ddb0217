// Runs inside the engine's web process, where every frame's scripts run.
// The window cannot tell which frame raised a dialog or asked for the
// location: here each frame's origin is known before its first script
// runs. A frame that is not the platform's gets alert, confirm, prompt and
// print that answer as if dismissed, no leave-page question, no location
// and no notifications, so a page of another site embedded in a platform
// page cannot speak in the application's name. A last copy of a page may
// ask only for the parts its own archive holds, which the engine answers
// from the archive: nothing a copy shows reaches the network.
#include <webkit/webkit-web-process-extension.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

// Set by the application when the process starts and whenever the server
// address changes.
std::vector<std::string> platformOrigins;

// The addresses of the parts of the copy served last, set by the
// application before it hands the archive over.
std::set<std::string> copyParts;

constexpr const char* copyScheme = "velmora-copy";

// Replaces the frame's means of speaking to the user. The properties can
// be neither overwritten nor deleted, and a frame the page adds later gets
// the same treatment when its own window is made, so no script of the frame
// can get the originals back.
constexpr const char* quietFrameScript = R"js(
(function (refused) {
  'use strict';
  function answer(kind, value) {
    return {
      value: function () { refused(kind); return value; },
      writable: false, configurable: false, enumerable: true
    };
  }
  Object.defineProperties(self, {
    alert: answer('alert', undefined),
    confirm: answer('confirm', false),
    prompt: answer('prompt', null),
    print: answer('print', undefined),
    Notification: { value: undefined, writable: false, configurable: false }
  });
  // Added before any of the page's own, so none of them hears the event.
  self.addEventListener('beforeunload', function (event) {
    event.stopImmediatePropagation();
  });
  if (self.Navigator && 'geolocation' in Navigator.prototype) {
    Object.defineProperty(Navigator.prototype, 'geolocation', {
      get: function () { refused('location request'); return undefined; },
      configurable: false
    });
  }
})
)js";

struct QuietFrame {
  std::string origin;
  // Each kind is logged once per frame: a page that calls alert() in a loop
  // must not flood the log.
  std::set<std::string> logged;
};

void onRefused(const char* kind, gpointer data) {
  auto* frame = static_cast<QuietFrame*>(data);
  if (kind && frame->logged.insert(kind).second)
    g_debug("refused a frame's %s: %s is not the platform", kind, frame->origin.c_str());
}

std::string originOf(JSCContext* context) {
  JSCValue* value = jsc_context_evaluate(context, "self.origin", -1);
  char* text = value ? jsc_value_to_string(value) : nullptr;
  std::string origin = text ? text : "";
  g_free(text);
  g_clear_object(&value);
  return origin;
}

void quieten(JSCContext* context, const std::string& origin) {
  JSCValue* install = jsc_context_evaluate(context, quietFrameScript, -1);
  JSCValue* refused = jsc_value_new_function(
      context, "refused", G_CALLBACK(onRefused), new QuietFrame{origin, {}},
      [](gpointer data) { delete static_cast<QuietFrame*>(data); }, G_TYPE_NONE, 1, G_TYPE_STRING);
  JSCValue* result = jsc_value_function_call(install, JSC_TYPE_VALUE, refused, G_TYPE_NONE);
  if (JSCException* exception = jsc_context_get_exception(context)) {
    g_warning("cannot quieten a frame of %s: %s", origin.c_str(),
              jsc_exception_get_message(exception));
    jsc_context_clear_exception(context);
  }
  g_clear_object(&result);
  g_clear_object(&refused);
  g_clear_object(&install);
}

void onWindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage*, WebKitFrame* frame, gpointer) {
  JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, world);
  // The document's own origin, which an empty frame or a srcdoc frame takes
  // from the page that made it.
  const std::string origin = originOf(context);
  if (std::ranges::find(platformOrigins, origin) == platformOrigins.end())
    quieten(context, origin);
  g_object_unref(context);
}

// The strings the application sent; none when it sent something else.
std::optional<std::vector<std::string>> stringsOf(GVariant* value) {
  if (!value || !g_variant_is_of_type(value, G_VARIANT_TYPE_STRING_ARRAY))
    return std::nullopt;
  gsize count = 0;
  const gchar** strings = g_variant_get_strv(value, &count);
  std::vector<std::string> read(strings, strings + count);
  g_free(strings);
  return read;
}

void readOrigins(GVariant* origins) {
  if (auto read = stringsOf(origins))
    platformOrigins = std::move(*read);
}

void readCopyParts(GVariant* parts) {
  if (const auto read = stringsOf(parts))
    copyParts = std::set<std::string>(read->begin(), read->end());
}

gboolean onMessage(WebKitWebProcessExtension*, WebKitUserMessage* message, gpointer) {
  const char* name = webkit_user_message_get_name(message);
  if (g_strcmp0(name, "velmora-platform-origins") == 0) {
    readOrigins(webkit_user_message_get_parameters(message));
    return TRUE;
  }
  if (g_strcmp0(name, "velmora-copy-parts") == 0) {
    readCopyParts(webkit_user_message_get_parameters(message));
    return TRUE;
  }
  return FALSE;
}

bool hasScheme(const char* uri, const char* scheme) {
  // An interned string in lower case, not to be freed.
  const char* found = uri ? g_uri_peek_scheme(uri) : nullptr;
  return found && g_ascii_strcasecmp(found, scheme) == 0;
}

// Every request of a page whose main document is a copy. The page's
// address is the new one from the start of a load on, so the live page
// that replaces a copy gets its own requests through. The engine serves
// an archive's parts only once they are let through here; anything else
// (an image the archive lacks, a frame, a font) is refused before it can
// leave the machine.
gboolean onSendRequest(WebKitWebPage* page, WebKitURIRequest* request, WebKitURIResponse*,
                       gpointer) {
  if (!hasScheme(webkit_web_page_get_uri(page), copyScheme))
    return FALSE;
  const char* uri = webkit_uri_request_get_uri(request);
  for (const char* local : {copyScheme, "data", "blob", "about", "cid"}) {
    if (hasScheme(uri, local))
      return FALSE;
  }
  if (uri && copyParts.contains(uri))
    return FALSE;
  g_debug("refused a last copy's request: %s", uri ? uri : "");
  return TRUE;
}

void onPageCreated(WebKitWebProcessExtension*, WebKitWebPage* page, gpointer) {
  g_signal_connect(page, "send-request", G_CALLBACK(onSendRequest), nullptr);
}

} // namespace

extern "C" G_MODULE_EXPORT void
webkit_web_process_extension_initialize_with_user_data(WebKitWebProcessExtension* extension,
                                                       GVariant* origins) {
  readOrigins(origins);
  g_signal_connect(extension, "user-message-received", G_CALLBACK(onMessage), nullptr);
  g_signal_connect(extension, "page-created", G_CALLBACK(onPageCreated), nullptr);
  g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                   G_CALLBACK(onWindowObjectCleared), nullptr);
}
