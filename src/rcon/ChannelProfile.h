#pragma once

#include "base/Intervals.h"
#include "rcon/RequestCounter.h"

#include <QString>

// What the owner of a channel tells it about itself: how long a connect may take, how the error
// entries the channel writes for it end, and which request-id counter its packets take.
struct ChannelProfile final {
    // Read at every open, so a shortened interval applies to the next connect.
    int Intervals::*connectTimeout = &Intervals::pollConnectTimeoutMs;
    // Ends the entry of a failed read and of an answer cut at its cap (" (Read1)").
    QString readTag;
    // A failed read also ends the owner's read loop: this tag is its second entry ("(Timer1_s)"),
    // after the failure's message when tickEntryNamesFailure is set.
    QString tickTag;
    bool tickEntryNamesFailure = false;
    // Ends the entry of a failed send; empty when the owner reports that in its own words.
    QString sendFailureTag;
    // Ends the entry of a connect failure of unknown cause; empty: the owner reports it.
    QString unknownConnectFailureTag;
    // Never null: every packet takes the next id of this counter.
    RequestCounter *counter = &RequestId();
};
