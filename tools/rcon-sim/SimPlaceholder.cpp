// Replaced by the simulated game server sources.
