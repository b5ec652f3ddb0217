// Reports the platform's unread-notification count as "bellCount": once
// when the page is ready, after every change inside the count element, and
// every 30 seconds, equal values included, so the dock badge follows the
// bell. Runs once per document; only its guard flag is left on the page.
(function () {
  if (window.__vlmBadgeHooked) return;
  window.__vlmBadgeHooked = true;

  var COUNT_SELECTOR = '.hv-notification-count';
  var REPORT_INTERVAL_MS = 30000;

  // A missing or hidden count element, or text without digits, counts as 0.
  // Only the digits are read, so "12 new" is 12, "1,204" is 1204 and
  // "99+" is 99.
  function report() {
    var n = 0;
    var element = document.querySelector(COUNT_SELECTOR);
    if (element && !element.hidden) {
      n = parseInt((element.textContent || '').replace(/[^0-9]/g, ''), 10);
      if (isNaN(n)) n = 0;
    }
    try {
      window.webkit.messageHandlers.bellCount.postMessage(n);
    } catch (e) {
      // A page without the handler, or a failing one, must see nothing.
    }
  }

  // Only the one count element is observed, never the whole document. One
  // that the page replaces later is picked up by the periodic report.
  var observer = new MutationObserver(report);

  function arm() {
    var element = document.querySelector(COUNT_SELECTOR);
    if (element) {
      observer.observe(element, {
        attributes: true,
        childList: true,
        characterData: true,
        subtree: true
      });
    }
    report();
  }

  if (document.readyState === 'loading') {
    document.addEventListener('DOMContentLoaded', arm);
  } else {
    arm();
  }
  setInterval(report, REPORT_INTERVAL_MS);
})();
