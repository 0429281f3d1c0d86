// The controller protocol: the controller's port settings, the greeting, one
// command/response exchange per value, and the reads of data words and timers.
#pragma once

#include <cstdint>
#include <string>

namespace ctllink {

// Drains the keyboard, clears the abort state and opens the port at 9600 baud, even
// parity, 8 data bits, 1 stop bit. Returns 0 or the system's error code.
int32_t OpenControllerPort(uint16_t port);

// Greets the controller with "CR", up to three times, 100 ms apart, until it answers
// "CC"; `reply` is the last answer.
void ProbeController(uint16_t port, std::string& reply);

// One exchange: sends the command and a carriage return and gives the reply line less its
// CR LF; empty when nothing came or after Esc; "String in buffer " when input was already
// waiting (it is dropped and the command not sent).
void Transact(uint16_t port, const std::string& command, std::string& reply);

// The value text of a timer: the reply less its first 8 characters.
void ReadTimer(uint16_t port, int32_t timer, std::string& text);

// The reply to the read of one data word.
void ReadDataText(uint16_t port, uint16_t word, std::string& text);

// The reply to the read of one data word, converted to a number (0 when it doesn't).
int32_t ReadDataNumber(uint16_t port, uint16_t word);

}  // namespace ctllink
