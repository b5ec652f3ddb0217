// What the page asks of the window besides navigating: a new window, a
// script dialog, a permission, a message from the page scripts. Each is
// translated into core terms for the delegate, and its answer applied.
#include "gtk/web_view.hpp"

namespace velmora::gtk {
namespace {

ContextMenuEntry contextMenuEntryOf(WebKitContextMenuItem* item) {
  switch (webkit_context_menu_item_get_stock_action(item)) {
  case WEBKIT_CONTEXT_MENU_ACTION_OPEN_LINK:
    return ContextMenuEntry::openLink;
  case WEBKIT_CONTEXT_MENU_ACTION_OPEN_LINK_IN_NEW_WINDOW:
    return ContextMenuEntry::openLinkInNewWindow;
  case WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_LINK_TO_DISK:
    return ContextMenuEntry::downloadLinkedFile;
  case WEBKIT_CONTEXT_MENU_ACTION_OPEN_IMAGE_IN_NEW_WINDOW:
    return ContextMenuEntry::openImageInNewWindow;
  case WEBKIT_CONTEXT_MENU_ACTION_OPEN_FRAME_IN_NEW_WINDOW:
    return ContextMenuEntry::openFrameInNewWindow;
  case WEBKIT_CONTEXT_MENU_ACTION_OPEN_VIDEO_IN_NEW_WINDOW:
  case WEBKIT_CONTEXT_MENU_ACTION_OPEN_AUDIO_IN_NEW_WINDOW:
    return ContextMenuEntry::openMediaInNewWindow;
  default:
    return ContextMenuEntry::other;
  }
}

// Removed entries can leave separators at an end or two in a row.
void tidySeparators(WebKitContextMenu* menu) {
  bool lastWasSeparator = true; // nothing above the first entry
  const GListPtr items(g_list_copy(webkit_context_menu_get_items(menu)));
  WebKitContextMenuItem* trailing = nullptr;
  for (GList* node = items.get(); node; node = node->next) {
    auto* item = WEBKIT_CONTEXT_MENU_ITEM(node->data);
    const bool separator = webkit_context_menu_item_is_separator(item);
    if (separator && lastWasSeparator) {
      webkit_context_menu_remove(menu, item);
      continue;
    }
    lastWasSeparator = separator;
    trailing = separator ? item : nullptr;
  }
  if (trailing)
    webkit_context_menu_remove(menu, trailing);
}

} // namespace

gboolean GtkWebView::onContextMenu(WebKitWebView*, WebKitContextMenu* menu,
                                   WebKitHitTestResult* hit, gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  const char* uri = webkit_hit_test_result_context_is_link(hit)
                        ? webkit_hit_test_result_get_link_uri(hit)
                        : nullptr;
  const std::optional<Url> link = urlOf(uri);
  bool offeredBrowser = false;
  // A copy: entries are removed and inserted on the way.
  const GListPtr items(g_list_copy(webkit_context_menu_get_items(menu)));
  for (GList* node = items.get(); node; node = node->next) {
    auto* item = WEBKIT_CONTEXT_MENU_ITEM(node->data);
    const ContextMenuEntry entry = contextMenuEntryOf(item);
    if (entry == ContextMenuEntry::other)
      continue;
    const ContextMenuChange change = view->delegates_.ui.contextMenuChange(entry, link);
    if (change == ContextMenuChange::keep)
      continue;
    if (change == ContextMenuChange::openLinkInBrowser && !offeredBrowser && uri) {
      offeredBrowser = true;
      const int position = g_list_index(webkit_context_menu_get_items(menu), item);
      webkit_context_menu_insert(menu,
                                 webkit_context_menu_item_new_from_gaction(
                                     G_ACTION(view->openLinkInBrowser_.get()),
                                     "Open Link in Browser", g_variant_new_string(uri)),
                                 position);
    }
    webkit_context_menu_remove(menu, item);
  }
  tidySeparators(menu);
  // Shown, changed or not; a menu left empty shows nothing.
  return webkit_context_menu_get_n_items(menu) == 0;
}

void GtkWebView::onOpenLinkInBrowser(GSimpleAction*, GVariant* link, gpointer self) {
  if (const auto url = urlOf(g_variant_get_string(link, nullptr)))
    static_cast<GtkWebView*>(self)->delegates_.ui.openLinkInBrowser(*url);
}

GtkWidget* GtkWebView::onCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const NewWindowResponse response =
      view->delegates_.ui.createWebViewWithConfiguration(NavigationAction{
          .url = urlOf(request ? webkit_uri_request_get_uri(request) : nullptr),
          .targetFrame = FrameTarget::newWindow,
          .userGesture = webkit_navigation_action_is_user_gesture(action) != 0,
      });
  if (response == NewWindowResponse::loadRequestHere && request) {
    // The page's own request, so a form posted into a new window keeps its
    // method, headers and body.
    view->frameTargets_.applicationLoadStarted(webkit_uri_request_get_uri(request));
    webkit_web_view_load_request(view->view_, request);
  }
  // No new view: the page's window.open() gets null.
  return nullptr;
}

gboolean GtkWebView::onScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer self) {
  using ScriptDialogPtr =
      BoxedPtr<WebKitScriptDialog, webkit_script_dialog_ref, webkit_script_dialog_unref>;
  auto* view = static_cast<GtkWebView*>(self);
  const std::string message = webkit_script_dialog_get_message(dialog);
  // Answered later, once the alert closes: the answer keeps the dialog
  // until then.
  const auto keep = ScriptDialogPtr::retain(dialog);
  auto close = [keep] { webkit_script_dialog_close(keep.get()); };
  switch (webkit_script_dialog_get_dialog_type(dialog)) {
  case WEBKIT_SCRIPT_DIALOG_ALERT:
    view->delegates_.ui.runJavaScriptAlertPanelWithMessage(message, close);
    return TRUE;
  case WEBKIT_SCRIPT_DIALOG_CONFIRM:
    view->delegates_.ui.runJavaScriptConfirmPanelWithMessage(message, [keep, close](bool ok) {
      webkit_script_dialog_confirm_set_confirmed(keep.get(), ok);
      close();
    });
    return TRUE;
  case WEBKIT_SCRIPT_DIALOG_PROMPT: {
    const char* defaultText = webkit_script_dialog_prompt_get_default_text(dialog);
    view->delegates_.ui.runJavaScriptTextInputPanelWithPrompt(
        message, stringOf(defaultText), [keep, close](std::optional<std::string> text) {
          if (text)
            webkit_script_dialog_prompt_set_text(keep.get(), text->c_str());
          close();
        });
    return TRUE;
  }
  case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
    break;
  }
  return FALSE;
}

gboolean GtkWebView::onPermissionRequest(WebKitWebView*, WebKitPermissionRequest* request,
                                         gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  auto keep = GObjectPtr<WebKitPermissionRequest>::retain(request);
  auto apply = [keep](PermissionDecision decision) {
    if (decision == PermissionDecision::grant) {
      webkit_permission_request_allow(keep.get());
    } else {
      webkit_permission_request_deny(keep.get());
    }
  };
  // Permission requests carry no origin; the page on show is the best
  // guess. The page guard has already kept other sites' frames from asking.
  if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request)) {
    view->delegates_.ui.requestGeolocationPermissionForOrigin(view->url(), apply);
    return TRUE;
  }
  if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request)) {
    view->delegates_.ui.requestNotificationPermissionForOrigin(view->url(), apply);
    return TRUE;
  }
  return FALSE;
}

void GtkWebView::onScriptMessage(WebKitUserContentManager*, JSCValue* value, gpointer self) {
  auto* view = static_cast<GtkWebView*>(self);
  // The message name is the detail of the signal being emitted.
  const GSignalInvocationHint* hint = g_signal_get_invocation_hint(view->contentManager_.get());
  ScriptMessage message;
  if (hint && hint->detail)
    message.name = g_quark_to_string(hint->detail);
  // Only the page scripts can post (see pageScriptsWorld), and they post
  // little, so the value is read whole.
  GCharPtr json(jsc_value_to_json(value, 0));
  if (json) {
    if (auto body = scriptValueFromJson(json.get()))
      message.body = std::move(*body);
  }
  view->delegates_.messages.didReceiveScriptMessage(message);
}

} // namespace velmora::gtk
