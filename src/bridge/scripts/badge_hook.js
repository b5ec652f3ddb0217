(function () {
  if (window.__vlmBadgeHooked) return;
  window.__vlmBadgeHooked = true;
})();
