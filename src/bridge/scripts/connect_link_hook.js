// Reports the user's own click on a set-up link ("haulvane:") in the page
// as "connectLink", with the link's address. The window never follows such
// a link itself: only this report, which neither a frame of another site
// nor a script of the page can raise, brings up the connect question.
(function () {
  if (window.__vlmConnectHooked) return;
  window.__vlmConnectHooked = true;

  document.addEventListener('click', function (event) {
    if (!event.isTrusted || event.button !== 0) return;
    var target = event.target;
    var link = target && target.closest ? target.closest('a[href]') : null;
    if (!link) return;
    var address;
    try {
      address = new URL(link.getAttribute('href'), document.baseURI);
    } catch (e) {
      return;
    }
    if (address.protocol !== 'haulvane:') return;
    window.webkit.messageHandlers.connectLink.postMessage(address.href);
  }, true);
})();
