// The transfer dialog as the service console sequence's host.
#pragma once

class sequence_host;

sequence_host& DialogSequenceHost();
