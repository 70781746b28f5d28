#pragma once

#include <functional>

/// The application: starts the network layer, runs the main dialog as the
/// program's only window and ends the program when it closes.
class CCheckerApp {
public:
    /// fnSocketInit starts the network layer; by default the engine's
    /// CInternetSession::StartNetwork.
    explicit CCheckerApp(std::function<bool()> fnSocketInit = {});

    /// The start-up sequence; returns the program's exit code: 0 once the
    /// dialog has closed, 1 when the network layer could not start.
    int InitInstance();
    /// Names the application and gives it its version record and icon.
    static void SetApplicationMetadata();

private:
    std::function<bool()> m_fnSocketInit;
};
