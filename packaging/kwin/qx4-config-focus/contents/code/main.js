// Tells qx4-config's D-Bus service which application is in front; its rules do the rest.
function reportFocus(window) {
    const appId = window && (window.resourceClass || window.desktopFileName);
    if (!appId) return;
    callDBus("io.github.qx4config.Qx4Config1", "/io/github/qx4config/Qx4Config1",
             "io.github.qx4config.Qx4Config1", "ReportFocus", String(appId));
}

// Plasma 6 names the signal windowActivated, Plasma 5 clientActivated.
(workspace.windowActivated || workspace.clientActivated).connect(reportFocus);
