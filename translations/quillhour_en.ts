<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>AwayRule</name>
    <message numerus="yes">
        <source>You were away from %1 to %2 (%n minutes) while these tasks ran:</source>
        <translation>
            <numerusform>You were away from %1 to %2 (%n minute) while these tasks ran:</numerusform>
            <numerusform>You were away from %1 to %2 (%n minutes) while these tasks ran:</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CategoryEditor</name>
    <message numerus="yes">
        <source>%n tasks are</source>
        <translation>
            <numerusform>%n task is</numerusform>
            <numerusform>%n tasks are</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>DesktopPasswords</name>
    <message numerus="yes">
        <source>it did not answer within %n second(s)</source>
        <translation>
            <numerusform>it did not answer within %n second</numerusform>
            <numerusform>it did not answer within %n seconds</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ProcessList</name>
    <message numerus="yes">
        <source>%n Processes</source>
        <translation>
            <numerusform>%n Process</numerusform>
            <numerusform>%n Processes</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ProductivityChart</name>
    <message numerus="yes">
        <source>%n rows with unreadable start times are left out</source>
        <translation>
            <numerusform>%n row with an unreadable start time is left out</numerusform>
            <numerusform>%n rows with unreadable start times are left out</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Reminders</name>
    <message numerus="yes">
        <source>Prompt every %1 minutes</source>
        <translation>
            <numerusform>Prompt every %1 minute</numerusform>
            <numerusform>Prompt every %1 minutes</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>SettingsPage</name>
    <message numerus="yes">
        <source>minutes</source>
        <comment>after a number</comment>
        <translation>
            <numerusform>minute</numerusform>
            <numerusform>minutes</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TaskProgress</name>
    <message numerus="yes">
        <source>%1 % of %2 hours</source>
        <translation>
            <numerusform>%1 % of %2 hour</numerusform>
            <numerusform>%1 % of %2 hours</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TaskTracker</name>
    <message numerus="yes">
        <source>%n minutes have been add against %1</source>
        <translation>
            <numerusform>%n minute has been add against %1</numerusform>
            <numerusform>%n minutes have been add against %1</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TasksPage</name>
    <message numerus="yes">
        <source>minutes</source>
        <comment>after a number</comment>
        <translation>
            <numerusform>minute</numerusform>
            <numerusform>minutes</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TimesheetImport</name>
    <message numerus="yes">
        <source>Add these %n rows as your time?</source>
        <translation>
            <numerusform>Add this %n row as your time?</numerusform>
            <numerusform>Add these %n rows as your time?</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TrackingCommand</name>
    <message numerus="yes">
        <source>Added %n minutes to %1, from %2 to %3.</source>
        <translation>
            <numerusform>Added %n minute to %1, from %2 to %3.</numerusform>
            <numerusform>Added %n minutes to %1, from %2 to %3.</numerusform>
        </translation>
    </message>
</context>
</TS>
