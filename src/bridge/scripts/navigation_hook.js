(function () {
  if (window.__vlmNavHooked) return;
  window.__vlmNavHooked = true;
})();
