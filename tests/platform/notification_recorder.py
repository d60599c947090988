#!/usr/bin/python3
# Stands in for the desktop's notification service on the session bus that
# DBUS_SESSION_BUS_ADDRESS names: records each Notify call as one JSON line
# in RECORD, then plays the user: "choose" invokes the default action,
# "dismiss" closes the notification (reason 2, dismissed by the user).
# Writes READY once it owns the name.
#   notification_recorder.py RECORD READY choose|dismiss
import json
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.Notifications"
PATH = "/org/freedesktop/Notifications"


class Recorder(dbus.service.Object):
    def __init__(self, bus, record, answer):
        super().__init__(bus, PATH)
        self.record = record
        self.answer = answer
        self.next_id = 7

    @dbus.service.method(NAME, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        with open(self.record, "a") as out:
            out.write(json.dumps({"app": str(app), "summary": str(summary), "body": str(body),
                                  "actions": [str(a) for a in actions]}) + "\n")
        notification = self.next_id
        self.next_id += 1
        GLib.timeout_add(100, self.play, notification)
        return notification

    @dbus.service.method(NAME, in_signature="u")
    def CloseNotification(self, notification):
        with open(self.record, "a") as out:
            out.write(json.dumps({"closed": int(notification)}) + "\n")

    @dbus.service.method(NAME, out_signature="ssss")
    def GetServerInformation(self):
        return ("recorder", "ostrel-update tests", "1", "1.2")

    @dbus.service.method(NAME, out_signature="as")
    def GetCapabilities(self):
        return ["actions", "body"]

    @dbus.service.signal(NAME, signature="us")
    def ActionInvoked(self, notification, action):
        pass

    @dbus.service.signal(NAME, signature="uu")
    def NotificationClosed(self, notification, reason):
        pass

    def play(self, notification):
        # A stray signal for another notification first: it must be ignored.
        self.ActionInvoked(notification + 100, "default")
        if self.answer == "choose":
            self.ActionInvoked(notification, "default")
        else:
            self.NotificationClosed(notification, 2)
        return False


def main():
    record, ready, answer = sys.argv[1:4]
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    name = dbus.service.BusName(NAME, bus)
    recorder = Recorder(bus, record, answer)
    with open(ready, "w") as out:
        out.write("ready\n")
    GLib.MainLoop().run()
    del name, recorder


if __name__ == "__main__":
    main()
