// Reports the page's workspace navigation as "navLinks": an array of
// {label, href, current} in page order, at most 24 links from the first
// navigation container that yields any, then the sign-out link. Runs once
// per document; only its guard flag is left on the page.
(function () {
  if (window.__vlmNavHooked) return;
  window.__vlmNavHooked = true;

  // In order of precedence. The marketing header (".hv-sitenav") is left
  // out on purpose: someone signed in has no use for it.
  var SELECTORS = [
    '.hv-sidebar__nav',
    '.hv-portalside',
    'nav.hv-tabs',
    '.hv-bottomnav',
    '.hv-secnav',
    '.hv-sectionnav'
  ];
  var SIGN_OUT_SELECTOR = 'a[href$="/logout"]';
  // Unread badges and screen-reader text sit inside the links; they are no
  // part of a menu title.
  var BADGE_CLASS = /count|badge|pill|chip|sr-only/i;
  var MAX_LINKS = 24;
  var MAX_LABEL = 60;
  var TEXT_NODE = 3;
  var ELEMENT_NODE = 1;

  function squash(text) {
    return text.replace(/\s+/g, ' ').trim();
  }

  function classOf(element) {
    var name = element.className;
    // SVG elements carry an object here rather than the class text.
    if (typeof name !== 'string') name = element.getAttribute('class');
    return name || '';
  }

  // The link's own text without its badge-like children; when that leaves
  // nothing (a link whose only text is screen-reader text), its whole text.
  function labelOf(anchor) {
    var text = '';
    for (var node = anchor.firstChild; node; node = node.nextSibling) {
      if (node.nodeType === TEXT_NODE) {
        text += node.nodeValue;
      } else if (node.nodeType === ELEMENT_NODE && !BADGE_CLASS.test(classOf(node))) {
        text += node.textContent || '';
      }
    }
    text = squash(text);
    return text || squash(anchor.textContent || '');
  }

  function collect() {
    var links = [];
    var seen = Object.create(null);

    function push(anchor) {
      var href = anchor.getAttribute('href') || '';
      var label = labelOf(anchor);
      if (!label || !href || href.charAt(0) === '#') return;
      var url;
      try {
        url = new URL(href, location.href);
      } catch (e) {
        return;
      }
      // Other sites belong in the default browser, not in the Go menu.
      if (url.origin !== location.origin) return;
      if (seen[url.href]) return;
      seen[url.href] = true;
      links.push({
        label: label.slice(0, MAX_LABEL),
        href: url.href,
        current: anchor.getAttribute('aria-current') === 'page'
      });
    }

    for (var i = 0; i < SELECTORS.length && links.length === 0; i++) {
      var container = document.querySelector(SELECTORS[i]);
      if (!container) continue;
      var anchors = container.querySelectorAll('a[href]');
      // Links past the cap are cut below anyway, so a sidebar of thousands
      // costs no more than one of two dozen.
      for (var j = 0; j < anchors.length && links.length < MAX_LINKS; j++) push(anchors[j]);
    }

    // Cut before the sign-out link is added, never after: a long sidebar
    // must not push out the one item every role needs.
    links = links.slice(0, MAX_LINKS);
    seen = Object.create(null);
    for (var k = 0; k < links.length; k++) seen[links[k].href] = true;
    var signOut = document.querySelector(SIGN_OUT_SELECTOR);
    if (signOut) push(signOut);

    try {
      window.webkit.messageHandlers.navLinks.postMessage(links);
    } catch (e) {
      // A page without the handler, or a failing one, must see nothing.
    }
  }

  if (document.readyState === 'loading') {
    document.addEventListener('DOMContentLoaded', collect);
  } else {
    collect();
  }
})();
