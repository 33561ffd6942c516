#pragma once

// Every timer interval and time-out of the console in one place. The defaults are the
// operating values; tests shorten them through Intervals::instance() before they build
// the objects that read them.
struct Intervals final {
    int visitStartFirstPassMs = 200;     // Timer2 during the first pass
    int visitStartMs = 900;              // Timer2 after the first pass
    int watchdogMs = 15000;              // Timer5: a visit never lasts longer
    int pollConcurrency = 8;             // visits of different servers under way at once
    int revisitMs = 3000;                // a server is visited again this long after its visit
    int trayHideMs = 6000;               // Timer6: tray icon hidden after a balloon
    int chatRerequestMs = 1000;          // Timer8: chat asks for new lines again
    int logSaveMs = 10000;               // Timer9: program log written to disk
    int schedulerMs = 950;               // Timer11: queue scheduler tick
    int backgroundStepMs = 10000;        // Timer13: background chat watch step
    int backgroundRoundMs = 50000;       // the watch comes round to every server within this
    int watchConcurrency = 8;            // background watch steps of different servers at once
    int onlineTickerMs = 100;            // Timer14: online-time column refresh
    int pollConnectTimeoutMs = 11000;    // poll channel connect time-out
    int chatConnectTimeoutMs = 5000;     // chat and background channel connect time-out
    int commandConnectTimeoutMs = 10000; // command channel connect time-out
    int commandAnswerTimeoutMs = 15000;  // a command's login and answer after the connect
    int commandLateAnswerMs = 300000;    // an answer after that time-out is logged within this
    int splitResponseWaitMs = 250;       // wait for the rest of a long response
    int resumeDelayMs = 3000;            // poll cycle restarts after a resume
    int serverSaveRetryMs = 1000;        // second attempt to write server.dat
    int chatBusyWaitMs = 15000; // chat opening waits for the background watch at most this long
    int backgroundStepTimeoutMs = 15000; // a background watch step never lasts longer
    int popupSlideInMs = 16;             // pop-up moves up 25 px per tick
    int popupShowMs = 5000;              // pop-up stays up with its text
    int popupSlideOutMs = 20;            // pop-up moves down 24 px per tick
    int popupDropMs = 0;                 // a replaced pop-up drops 5 px per event-loop pass
    int updateTransferTimeoutMs = 30000; // an update request that stalls this long fails
    int webhookWindowMs = 60000;         // the webhook takes at most 30 posts within this span
    int webhookRetryMs = 5000;           // first retry of a failed post; doubles with each failure
    int webhookRetryMaxMs = 300000;      // longest wait between two retries of a failed post
    int webhookAnswerTimeoutMs = 15000;  // a post without an answer by then has failed

    static Intervals &instance();
};
