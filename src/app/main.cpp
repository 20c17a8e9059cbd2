#include <QApplication>

#include "app/CQuillonApp.h"
#include "platform/SocketLibrary.h"
#include "platform/WorkerThread.h"

int main(int argc, char* argv[]) {
    int exitCode = 0;
    {
        const quillon::SocketLibrary sockets;
        QApplication app(argc, argv);
        quillon::CQuillonApp quillonApp;
        quillonApp.InitInstance();
        exitCode = quillonApp.ExitInstance();
    }
    // Search workers outlive their refresh's wait by design; the last of them
    // ends within a receive slice of the window asking them to stop.
    quillon::JoinOutstandingWorkerThreads();
    return exitCode;
}
