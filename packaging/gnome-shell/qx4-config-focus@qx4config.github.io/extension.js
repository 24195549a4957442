// Tells qx4-config's D-Bus service which application is in front; its rules do the rest.
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

export default class Qx4ConfigFocus extends Extension {
    enable() {
        this._focusHandler = global.display.connect('notify::focus-window', () => {
            const window = global.display.focus_window;
            const appId = window && (window.get_wm_class() || window.get_gtk_application_id());
            if (!appId)
                return;
            Gio.DBus.session.call('io.github.qx4config.Qx4Config1', '/io/github/qx4config/Qx4Config1',
                'io.github.qx4config.Qx4Config1', 'ReportFocus', new GLib.Variant('(s)', [appId]),
                null, Gio.DBusCallFlags.NO_AUTO_START, -1, null, null);
        });
    }

    disable() {
        global.display.disconnect(this._focusHandler);
        this._focusHandler = null;
    }
}
