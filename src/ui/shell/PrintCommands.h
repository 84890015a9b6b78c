// File > Print Setup, Print, Print All, Print Thumbnails, Print Preview.
#pragma once

class CMainFrame;
class CommandRegistry;

void BindPrintCommands(CMainFrame& frame, CommandRegistry& commands);
